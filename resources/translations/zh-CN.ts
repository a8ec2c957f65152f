<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>live tip</source>
        <translation>直播提示</translation>
    </message>
</context>
</TS>
