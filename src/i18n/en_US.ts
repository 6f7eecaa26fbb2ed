<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
    <context>
        <name>MainWindow</name>
        <message>
            <source>推荐先读取参数再进行调试</source>
            <translation>Read parameters first, then debug.</translation>
        </message>
        <message>
            <source>ZK调试工具</source>
            <translation>ZK Debugging Tool</translation>
        </message>
        <message>
            <source>暂停</source>
            <translation>Pause</translation>
        </message>
        <message>
            <source>显示</source>
            <translation>Show</translation>
        </message>
        <message>
            <source>发送: 0 条</source>
            <translation>Tx: 0 frames</translation>
        </message>
        <message>
            <source>接收: 0 条</source>
            <translation>Rx: 0 frames</translation>
        </message>
        <message>
            <source>清空计数</source>
            <translation>Clear Count</translation>
        </message>
        <message>
            <source>电机波特率未识别</source>
            <translation>Motor baud rate unrecognized</translation>
        </message>
        <message>
            <source>&lt;h2&gt;ZK调试工具&lt;/h2&gt;&lt;p&gt;CAN总线伺服电机控制器的调试与标定工具：参数读写、ID管理、四种控制模式、实时波形、编码器校准、参数辨识、固件升级、CAN/CAN FD总线调试、串口终端与智能助手。&lt;/p&gt;&lt;p&gt;版本 %1&lt;/p&gt;&lt;p&gt;运行日志: &lt;a href="%2"&gt;%3&lt;/a&gt;&lt;/p&gt;</source>
            <translation>&lt;h2&gt;ZK Debugging Tool&lt;/h2&gt;&lt;p&gt;Commissioning and debugging tool for CAN-bus servo motor controllers: parameter registers, ID management, four control modes, live waveforms, encoder calibration, parameter identification, firmware upgrade, CAN/CAN FD bus debugging, serial terminal and assistant.&lt;/p&gt;&lt;p&gt;Version %1&lt;/p&gt;&lt;p&gt;Run logs: &lt;a href="%2"&gt;%3&lt;/a&gt;&lt;/p&gt;</translation>
        </message>
        <message>
            <source>发送: </source>
            <translation>Tx: </translation>
        </message>
        <message>
            <source> 条</source>
            <translation> frames</translation>
        </message>
        <message>
            <source>接收: </source>
            <translation>Rx: </translation>
        </message>
        <message>
            <source>电机波特率</source>
            <translation>Motor baud rate </translation>
        </message>
        <message>
            <source>校准</source>
            <translation>Calibration</translation>
        </message>
        <message>
            <source>提示</source>
            <translation>Notice</translation>
        </message>
        <message>
            <source>确认操作</source>
            <translation>Verify the operation</translation>
        </message>
        <message>
            <source>确认</source>
            <translation>Confirm</translation>
        </message>
        <message>
            <source>取消</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>心跳数据</source>
            <translation>heartbeat data</translation>
        </message>
        <message>
            <source>接收失败</source>
            <translation>Rx Fail</translation>
        </message>
        <message>
            <source>接收成功</source>
            <translation>Rx Succ.</translation>
        </message>
        <message>
            <source>发送失败</source>
            <translation>Tx Fail</translation>
        </message>
        <message>
            <source>发送成功</source>
            <translation>Tx Succ.</translation>
        </message>
        <message>
            <source>波特率设置失败</source>
            <translation>bit-rate setting failed</translation>
        </message>
        <message>
            <source>波特率设置成功</source>
            <translation>bit-rate setting succeeded</translation>
        </message>
        <message>
            <source>位置命令</source>
            <translation>位置命令</translation>
        </message>
        <message>
            <source>清空</source>
            <translation>Clear</translation>
        </message>
        <message>
            <source>退出</source>
            <translation>Exit</translation>
        </message>
        <message>
            <source>设备配置</source>
            <translation>Device configuration</translation>
        </message>
        <message>
            <source>文件</source>
            <translation>File</translation>
        </message>
        <message>
            <source>设备</source>
            <translation>Device</translation>
        </message>
        <message>
            <source>串口调试</source>
            <translation>Serial Port</translation>
        </message>
        <message>
            <source>CAN调试</source>
            <translation>CAN Debug</translation>
        </message>
        <message>
            <source>参数设置</source>
            <translation>Parameters</translation>
        </message>
        <message>
            <source>电机调试</source>
            <translation>Motor Debug</translation>
        </message>
        <message>
            <source>关于</source>
            <translation>About</translation>
        </message>
        <message>
            <source>测试</source>
            <translation>Test</translation>
        </message>
        <message>
            <source>此页面的功能尚未提供</source>
            <translation>The functions of this page are not available yet</translation>
        </message>
        <message>
            <source>子crash</source>
            <translation>child crash</translation>
        </message>
        <message>
            <source>栈溢出</source>
            <translation>stack overflow</translation>
        </message>
        <message>
            <source>栈溢出2</source>
            <translation>stack overflow 2</translation>
        </message>
        <message>
            <source>连接</source>
            <translation>Connection</translation>
        </message>
        <message>
            <source>端口</source>
            <translation>Port</translation>
        </message>
        <message>
            <source>刷新</source>
            <translation>Refresh</translation>
        </message>
        <message>
            <source>打开串口</source>
            <translation>Open Serial Port</translation>
        </message>
        <message>
            <source>波特率</source>
            <translation>Baud</translation>
        </message>
        <message>
            <source>接收</source>
            <translation>Receive</translation>
        </message>
        <message>
            <source>显示格式</source>
            <translation>Display</translation>
        </message>
        <message>
            <source>电机通道</source>
            <translation>Motor link</translation>
        </message>
        <message>
            <source>电机ID</source>
            <translation>Motor ID</translation>
        </message>
        <message>
            <source>串口直连电机</source>
            <translation>Motor console on the serial port</translation>
        </message>
        <message>
            <source>工具</source>
            <translation>Tools</translation>
        </message>
        <message>
            <source>电机端编码器</source>
            <translation>Motor-side encoder</translation>
        </message>
        <message>
            <source>参数导出</source>
            <translation>Export Params</translation>
        </message>
        <message>
            <source>参数导入</source>
            <translation>Import Params</translation>
        </message>
        <message>
            <source>配置</source>
            <translation>Config</translation>
        </message>
    </context>
</TS>
