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
    <name>PreviewContainer</name>
    <message>
        <source>You can add five words at most!</source>
        <translation>最多只能添加五个文字图层！</translation>
    </message>
    <message>
        <source>camera has add.</source>
        <translation>摄像头已经添加过了。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be shown: it is not a picture, or the picture is damaged.</source>
        <translation>“%1”无法显示：它不是图片，或者图片已损坏。</translation>
    </message>
    <message>
        <source>These pictures of the saved layout cannot be shown (missing, not a picture, or damaged) and were left out: %1</source>
        <translation>已保存布局中的这些图片无法显示（文件丢失、不是图片或已损坏），已被略去：%1</translation>
    </message>
</context>
<context>
    <name>LayerMenu</name>
    <message>
        <source>edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>tofirst</source>
        <translation>置于顶层</translation>
    </message>
    <message>
        <source>tolast</source>
        <translation>置于底层</translation>
    </message>
    <message>
        <source>layermgr</source>
        <translation>图层管理</translation>
    </message>
</context>
<context>
    <name>GamePicLayer</name>
    <message>
        <source>no process/desktop pic</source>
        <translation>暂无游戏或桌面画面</translation>
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
<context>
    <name>ImageSettingWindow</name>
    <message>
        <source>image setting</source>
        <translation>图片设置</translation>
    </message>
    <message>
        <source>open picture</source>
        <translation>打开图片</translation>
    </message>
    <message>
        <source>select</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>set transparency</source>
        <translation>设置透明度</translation>
    </message>
    <message>
        <source>setting tip</source>
        <translation>向左拖动更透明</translation>
    </message>
    <message>
        <source>*</source>
        <translation>*</translation>
    </message>
    <message>
        <source>add image description</source>
        <translation>支持 PNG、JPG、BMP、GIF 等格式</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Images (%1)</source>
        <translation>图片 (%1)</translation>
    </message>
    <message>
        <source>Select one file to open</source>
        <translation>选择要打开的图片</translation>
    </message>
    <message>
        <source>path is no valid</source>
        <translation>图片路径无效</translation>
    </message>
    <message>
        <source>alpha is no valid</source>
        <translation>透明度无效</translation>
    </message>
</context>
<context>
    <name>CameraSettingWindow</name>
    <message>
        <source>camera setting</source>
        <translation>摄像头设置</translation>
    </message>
    <message>
        <source>select camera</source>
        <translation>选择摄像头</translation>
    </message>
    <message>
        <source>select size</source>
        <translation>选择分辨率</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>TextEditWindow</name>
    <message>
        <source>text setting</source>
        <translation>文字设置</translation>
    </message>
    <message>
        <source>textedit</source>
        <translation>文字编辑</translation>
    </message>
    <message>
        <source>font color</source>
        <translation>字体颜色</translation>
    </message>
    <message>
        <source>bold</source>
        <translation>加粗</translation>
    </message>
    <message>
        <source>italic</source>
        <translation>斜体</translation>
    </message>
    <message>
        <source>underline</source>
        <translation>下划线</translation>
    </message>
    <message>
        <source>*</source>
        <translation>*</translation>
    </message>
    <message>
        <source>add text description</source>
        <translation>文字显示在直播画面中，最多 30 个字</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>inpute too long text ,auto cut off 100 char. </source>
        <translation>输入的文字过长，已自动截取前 100 个字。</translation>
    </message>
    <message>
        <source>out of range can&apos;t input. </source>
        <translation>超出画面范围，无法继续输入。</translation>
    </message>
    <message>
        <source>out of range can&apos;t change font.</source>
        <translation>超出画面范围，无法修改字体。</translation>
    </message>
    <message>
        <source>content is not valid.</source>
        <translation>内容不合规，请修改后重试。</translation>
    </message>
    <message>
        <source>can not check word is valid.</source>
        <translation>暂时无法检查文字内容，请稍后重试。</translation>
    </message>
    <message>
        <source>checking the text...</source>
        <translation>正在检查文字……</translation>
    </message>
    <message>
        <source>the text changed while it was checked: press ok again.</source>
        <translation>检查期间文字有改动，请再次点击确定。</translation>
    </message>
</context>
<context>
    <name>FontColorWindow</name>
    <message>
        <source>Text Preview</source>
        <translation>文字预览</translation>
    </message>
    <message>
        <source>more colors</source>
        <translation>更多颜色…</translation>
    </message>
    <message>
        <source>font color</source>
        <translation>字体颜色</translation>
    </message>
</context>
<context>
    <name>LayerMgrViewItem</name>
    <message>
        <source>game video</source>
        <translation>游戏画面</translation>
    </message>
    <message>
        <source>camera</source>
        <translation>摄像头</translation>
    </message>
    <message>
        <source>picture</source>
        <translation>图片</translation>
    </message>
    <message>
        <source>text</source>
        <translation>文字</translation>
    </message>
</context>
<context>
    <name>LayersMgrWindow</name>
    <message>
        <source>edit layer setting</source>
        <translation>图层管理</translation>
    </message>
    <message>
        <source>edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>up</source>
        <translation>上移</translation>
    </message>
    <message>
        <source>down</source>
        <translation>下移</translation>
    </message>
</context>
<context>
    <name>BaseThemeWindow</name>
    <message>
        <source>Control gallery</source>
        <translation>控件展示</translation>
    </message>
    <message>
        <source>Buttons</source>
        <translation>按钮</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>disabled</source>
        <translation>不可用</translation>
    </message>
    <message>
        <source>show on stream</source>
        <translation>在直播中显示</translation>
    </message>
    <message>
        <source>lock position</source>
        <translation>锁定位置</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>select camera</source>
        <translation>选择摄像头</translation>
    </message>
    <message>
        <source>select size</source>
        <translation>选择分辨率</translation>
    </message>
    <message>
        <source>open picture</source>
        <translation>打开图片</translation>
    </message>
    <message>
        <source>choose a picture</source>
        <translation>请选择一张图片</translation>
    </message>
    <message>
        <source>select</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>set transparency</source>
        <translation>设置透明度</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>文字</translation>
    </message>
    <message>
        <source>type up to 30 characters</source>
        <translation>最多输入 30 个字</translation>
    </message>
    <message>
        <source>*</source>
        <translation>*</translation>
    </message>
    <message>
        <source>add text description</source>
        <translation>文字显示在直播画面中，最多 30 个字</translation>
    </message>
    <message>
        <source>show tip</source>
        <translation>显示提示</translation>
    </message>
    <message>
        <source>show menu</source>
        <translation>显示菜单</translation>
    </message>
    <message>
        <source>edit layer setting</source>
        <translation>图层管理</translation>
    </message>
    <message>
        <source>edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>move up</source>
        <translation>上移</translation>
    </message>
    <message>
        <source>move down</source>
        <translation>下移</translation>
    </message>
</context>
<context>
    <name>GallerySession</name>
    <message>
        <source>PreviewHost virtual camera</source>
        <translation>PreviewHost 虚拟摄像头</translation>
    </message>
    <message>
        <source>USB camera</source>
        <translation>USB 摄像头</translation>
    </message>
    <message>
        <source>Game video</source>
        <translation>游戏画面</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>摄像头</translation>
    </message>
    <message>
        <source>Picture %1</source>
        <translation>图片 %1</translation>
    </message>
    <message>
        <source>Text %1</source>
        <translation>文字 %1</translation>
    </message>
    <message>
        <source>You can add at most five texts.</source>
        <translation>最多只能添加五个文字图层！</translation>
    </message>
    <message>
        <source>Delete a text layer to add another one.</source>
        <translation>删除一个文字图层后才能再添加。</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Bring to front</source>
        <translation>置于顶层</translation>
    </message>
    <message>
        <source>Send to back</source>
        <translation>置于底层</translation>
    </message>
    <message>
        <source>Layer manager</source>
        <translation>图层管理</translation>
    </message>
</context>
<context>
    <name>PreviewLogic</name>
    <message>
        <source>我的摄像头</source>
        <translation>我的摄像头</translation>
    </message>
</context>
</TS>
