<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>HostWindow</name>
    <message>
        <source>Live Preview — Reference Host</source>
        <translation>直播预览 — 参考主程序</translation>
    </message>
    <message>
        <source>Add camera</source>
        <translation>添加摄像头</translation>
    </message>
    <message>
        <source>Add the camera layer; its camera settings open next.</source>
        <translation>添加摄像头图层，随后打开摄像头设置。</translation>
    </message>
    <message>
        <source>Add text</source>
        <translation>添加文字</translation>
    </message>
    <message>
        <source>Add a text layer (five at most).</source>
        <translation>添加文字图层（最多五个）。</translation>
    </message>
    <message>
        <source>Add picture</source>
        <translation>添加图片</translation>
    </message>
    <message>
        <source>Add a picture layer. Picture files dropped on the preview are added too.</source>
        <translation>添加图片图层。拖放到预览上的图片文件也会被添加。</translation>
    </message>
    <message>
        <source>Remove camera</source>
        <translation>移除摄像头</translation>
    </message>
    <message>
        <source>Remove the camera layer and close the camera.</source>
        <translation>移除摄像头图层并关闭摄像头。</translation>
    </message>
    <message>
        <source>Edit layers</source>
        <translation>编辑图层</translation>
    </message>
    <message>
        <source>When on, layers in the preview can be selected, moved and resized.</source>
        <translation>开启后，可以在预览中选中、移动和缩放图层。</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>预览</translation>
    </message>
    <message>
        <source>Show or hide the interactive preview. Hiding it stores the layout.</source>
        <translation>显示或隐藏交互式预览。隐藏时会保存布局。</translation>
    </message>
    <message>
        <source>Layers</source>
        <translation>图层管理</translation>
    </message>
    <message>
        <source>Open the layer manager: order, show or hide, edit and delete layers.</source>
        <translation>打开图层管理器：调整顺序、显示或隐藏、编辑和删除图层。</translation>
    </message>
    <message>
        <source>as the host receives it</source>
        <translation>主程序收到的画面</translation>
    </message>
    <message>
        <source>Click a layer to select it; drag, resize or right-click it.</source>
        <translation>单击图层将其选中，可拖动、缩放或右键单击。</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Composed frames the host received per second, over the last second.</source>
        <translation>最近一秒内主程序每秒收到的合成帧数。</translation>
    </message>
    <message>
        <source>Time from pushing a game frame to receiving its composed frame: mean and 99th percentile over the last second.</source>
        <translation>从推送游戏帧到收到其合成帧的时间：最近一秒的平均值和第 99 百分位数。</translation>
    </message>
    <message>
        <source>The camera the engine asked for.</source>
        <translation>引擎请求的摄像头。</translation>
    </message>
    <message>
        <source>The layer manager opens once the preview shows its layers.</source>
        <translation>预览显示图层后才能打开图层管理器。</translation>
    </message>
    <message>
        <source>%1 fps</source>
        <translation>%1 帧/秒</translation>
    </message>
    <message>
        <source>Latency %1 ms · p99 %2 ms</source>
        <translation>延迟 %1 毫秒 · p99 %2 毫秒</translation>
    </message>
    <message>
        <source>Latency –</source>
        <translation>延迟 –</translation>
    </message>
    <message>
        <source>Dropped %1</source>
        <translation>丢帧 %1</translation>
    </message>
    <message>
        <source>Frames lost since the start: %1 pushed but never delivered by the engine, %2 delivered but not taken by the output view.</source>
        <translation>启动以来丢失的帧：%1 帧已推送但引擎未送达，%2 帧已送达但输出视图未能接收。</translation>
    </message>
    <message>
        <source>Camera off</source>
        <translation>摄像头未开启</translation>
    </message>
    <message>
        <source>Camera: %1</source>
        <translation>摄像头：%1</translation>
    </message>
    <message>
        <source>%1 × %2, as the host receives it</source>
        <translation>%1 × %2，主程序收到的画面</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>工具栏</translation>
    </message>
    <message>
        <source>An open window of the preview does not close yet; close it first.</source>
        <translation>预览打开的一个窗口尚未关闭，请先关闭它。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; does not close yet; close it first.</source>
        <translation>“%1”尚未关闭，请先关闭它。</translation>
    </message>
</context>
<context>
    <name>OutputView</name>
    <message>
        <source>The composed output appears here.</source>
        <translation>合成后的输出画面将显示在这里。</translation>
    </message>
</context>
<context>
    <name>PreviewView</name>
    <message>
        <source>Waiting for the game video…</source>
        <translation>正在等待游戏画面…</translation>
    </message>
    <message>
        <source>The preview is hidden. Show it with the Preview button.</source>
        <translation>预览已隐藏，点击“预览”按钮即可显示。</translation>
    </message>
</context>
</TS>
