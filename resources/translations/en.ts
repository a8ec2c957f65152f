<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>QObject</name>
    <message>
        <source>live tip</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>PreviewCombineLogic</name>
    <message>
        <source>pic %1</source>
        <translation>Picture %1</translation>
    </message>
    <message>
        <source>text %1</source>
        <translation>Text %1</translation>
    </message>
</context>
<context>
    <name>PreviewContainer</name>
    <message>
        <source>You can add five words at most!</source>
        <translation>You can add at most five texts.</translation>
    </message>
    <message>
        <source>camera has add.</source>
        <translation>The camera is already in the picture.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be shown: it is not a picture, or the picture is damaged.</source>
        <translation>“%1” cannot be shown: it is not a picture, or the picture is damaged.</translation>
    </message>
    <message>
        <source>These pictures of the saved layout cannot be shown (missing, not a picture, or damaged) and were left out: %1</source>
        <translation>These pictures of the saved layout cannot be shown (missing, not a picture, or damaged) and were left out: %1</translation>
    </message>
</context>
<context>
    <name>LayerMenu</name>
    <message>
        <source>edit</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>tofirst</source>
        <translation>Bring to front</translation>
    </message>
    <message>
        <source>tolast</source>
        <translation>Send to back</translation>
    </message>
    <message>
        <source>layermgr</source>
        <translation>Layer manager</translation>
    </message>
</context>
<context>
    <name>GamePicLayer</name>
    <message>
        <source>no process/desktop pic</source>
        <translation>No game or desktop picture yet</translation>
    </message>
</context>
<context>
    <name>ImageSettingWindow</name>
    <message>
        <source>image setting</source>
        <translation>Picture settings</translation>
    </message>
    <message>
        <source>open picture</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>select</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>set transparency</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>setting tip</source>
        <translation>Drag left for more transparency</translation>
    </message>
    <message>
        <source>add image description</source>
        <translation>PNG, JPG, BMP, GIF and other formats</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Select one file to open</source>
        <translation>Choose a picture</translation>
    </message>
    <message>
        <source>path is no valid</source>
        <translation>The picture path is not valid.</translation>
    </message>
    <message>
        <source>alpha is no valid</source>
        <translation>The opacity is not valid.</translation>
    </message>
</context>
<context>
    <name>CameraSettingWindow</name>
    <message>
        <source>camera setting</source>
        <translation>Camera settings</translation>
    </message>
    <message>
        <source>select camera</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>select size</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TextEditWindow</name>
    <message>
        <source>text setting</source>
        <translation>Text settings</translation>
    </message>
    <message>
        <source>textedit</source>
        <translation>Edit text</translation>
    </message>
    <message>
        <source>font color</source>
        <translation>Font colour</translation>
    </message>
    <message>
        <source>bold</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>italic</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>underline</source>
        <translation>Underline</translation>
    </message>
    <message>
        <source>add text description</source>
        <translation>Shown on the stream, 30 characters at most</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>inpute too long text ,auto cut off 100 char. </source>
        <translation>Text too long: cut to 100 characters.</translation>
    </message>
    <message>
        <source>out of range can&apos;t input. </source>
        <translation>The text would leave the picture.</translation>
    </message>
    <message>
        <source>out of range can&apos;t change font.</source>
        <translation>With this font the text would leave the picture.</translation>
    </message>
    <message>
        <source>content is not valid.</source>
        <translation>This text is not allowed; please change it.</translation>
    </message>
    <message>
        <source>can not check word is valid.</source>
        <translation>Could not check the text; please try again.</translation>
    </message>
    <message>
        <source>checking the text...</source>
        <translation>Checking the text…</translation>
    </message>
    <message>
        <source>the text changed while it was checked: press ok again.</source>
        <translation>The text changed while it was being checked; press OK again.</translation>
    </message>
</context>
<context>
    <name>FontColorWindow</name>
    <message>
        <source>Text Preview</source>
        <translation>Text preview</translation>
    </message>
    <message>
        <source>more colors</source>
        <translation>More colours…</translation>
    </message>
    <message>
        <source>font color</source>
        <translation>Font colour</translation>
    </message>
</context>
<context>
    <name>LayerMgrViewItem</name>
    <message>
        <source>game video</source>
        <translation>Game video</translation>
    </message>
    <message>
        <source>camera</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>picture</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>text</source>
        <translation>Text</translation>
    </message>
</context>
<context>
    <name>LayersMgrWindow</name>
    <message>
        <source>edit layer setting</source>
        <translation>Layers</translation>
    </message>
    <message>
        <source>edit</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>up</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>down</source>
        <translation>Move down</translation>
    </message>
</context>
<context>
    <name>BaseThemeWindow</name>
    <message>
        <source>add text description</source>
        <translation>Shown on the stream, 30 characters at most</translation>
    </message>
    <message>
        <source>edit layer setting</source>
        <translation>Layers</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>disabled</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>show on stream</source>
        <translation>Show on stream</translation>
    </message>
    <message>
        <source>lock position</source>
        <translation>Lock position</translation>
    </message>
    <message>
        <source>select camera</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>select size</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>open picture</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>choose a picture</source>
        <translation>Choose a picture</translation>
    </message>
    <message>
        <source>select</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>set transparency</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>type up to 30 characters</source>
        <translation>Type up to 30 characters</translation>
    </message>
    <message>
        <source>show tip</source>
        <translation>Show tip</translation>
    </message>
    <message>
        <source>show menu</source>
        <translation>Show menu</translation>
    </message>
    <message>
        <source>edit</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>move up</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>move down</source>
        <translation>Move down</translation>
    </message>
</context>
<context>
    <name>PreviewLogic</name>
    <message>
        <source>我的摄像头</source>
        <translation>My camera</translation>
    </message>
</context>
</TS>
