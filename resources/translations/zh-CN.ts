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
<context>
    <name>PreviewCombineLogic</name>
    <message>
        <source>pic %1</source>
        <translation>图片 %1</translation>
    </message>
    <message>
        <source>text %1</source>
        <translation>文字 %1</translation>
    </message>
</context>
<context>
    <name>TipMessageWindow</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
