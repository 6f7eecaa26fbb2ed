<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
    <context>
        <name>AdapterFirmwareUpgrade</name>
        <message>
            <source>文件打开失败: %1</source>
            <translation>Cannot open the file: %1</translation>
        </message>
        <message>
            <source>固件文件为空</source>
            <translation>The firmware file is empty</translation>
        </message>
        <message>
            <source>闪存损坏</source>
            <translation>Flash damaged</translation>
        </message>
        <message>
            <source>第%1包发送失败 (错误码 %2)</source>
            <translation>Packet %1 failed (error code %2)</translation>
        </message>
        <message>
            <source>结束命令失败 (错误码 %1)</source>
            <translation>End command failed (error code %1)</translation>
        </message>
        <message>
            <source>固件文件过大: %1 字节，上限 %2 字节</source>
            <translation>Firmware file too large: %1 bytes, the limit is %2 bytes</translation>
        </message>
        <message>
            <source>不是普通文件，未读取: %1</source>
            <translation>Not a regular file, not read: %1</translation>
        </message>
    </context>
    <context>
        <name>CANFrameModel</name>
        <message>
            <source>序号</source>
            <translation>Index</translation>
        </message>
        <message>
            <source>时间戳</source>
            <translation>Timestamp</translation>
        </message>
        <message>
            <source>帧类型</source>
            <translation>Type</translation>
        </message>
        <message>
            <source>帧格式</source>
            <translation>Format</translation>
        </message>
        <message>
            <source>CAN类型</source>
            <translation>canType</translation>
        </message>
        <message>
            <source>ID</source>
            <translation>ID</translation>
        </message>
        <message>
            <source>状态</source>
            <translation>Status</translation>
        </message>
        <message>
            <source>数据长度</source>
            <translation>DataLen</translation>
        </message>
        <message>
            <source>数据内容</source>
            <translation>Data</translation>
        </message>
        <message>
            <source>解析</source>
            <translation>Decoded</translation>
        </message>
    </context>
    <context>
        <name>CANLogBar</name>
        <message>
            <source>无效的ID: %1</source>
            <translation>Invalid ID: %1</translation>
        </message>
        <message>
            <source>显示 %1 / %2 帧</source>
            <translation>Showing %1 / %2 frames</translation>
        </message>
        <message>
            <source>ID筛选, 如 123, 200-2FF</source>
            <translation>ID filter, e.g. 123, 200-2FF</translation>
        </message>
        <message>
            <source>只显示这些ID的帧：十六进制ID或范围，用逗号或空格分隔；留空显示全部ID</source>
            <translation>Show only frames with these IDs: hexadecimal IDs or ranges, separated by commas or blanks; empty shows every ID</translation>
        </message>
        <message>
            <source>全部方向</source>
            <translation>Both directions</translation>
        </message>
        <message>
            <source>仅接收</source>
            <translation>Received only</translation>
        </message>
        <message>
            <source>仅发送</source>
            <translation>Sent only</translation>
        </message>
        <message>
            <source>全部状态</source>
            <translation>Any status</translation>
        </message>
        <message>
            <source>仅成功</source>
            <translation>Succeeded only</translation>
        </message>
        <message>
            <source>仅失败</source>
            <translation>Failed only</translation>
        </message>
        <message>
            <source>按方向筛选：接收的帧或适配器发送的帧</source>
            <translation>Filter by direction: frames received, or frames the adapter sent</translation>
        </message>
        <message>
            <source>按状态筛选：成功或失败的帧</source>
            <translation>Filter by status: frames that succeeded or failed</translation>
        </message>
        <message>
            <source>隐藏心跳</source>
            <translation>Hide heartbeats</translation>
        </message>
        <message>
            <source>隐藏串口适配器每秒一条的心跳数据行</source>
            <translation>Hide the serial adapter's heartbeat rows (one a second)</translation>
        </message>
        <message>
            <source>数据导出</source>
            <translation>Export Data</translation>
        </message>
        <message>
            <source>把日志导出为CSV文件，可选择列；默认导出全部帧，不受筛选影响</source>
            <translation>Export the log to a CSV file with the columns you choose; every frame is exported unless you choose the filtered rows</translation>
        </message>
        <message>
            <source>通道占用率</source>
            <translation>ChnlOccRate</translation>
        </message>
        <message>
            <source>在单独的窗口中每秒显示总线占用率及其曲线</source>
            <translation>Show the bus load and its curve once a second in a window of its own</translation>
        </message>
        <message>
            <source>无效的电机ID: %1</source>
            <translation>Invalid motor ID: %1</translation>
        </message>
        <message>
            <source>电机ID</source>
            <translation>Motor ID</translation>
        </message>
        <message>
            <source>只显示与这台电机有关的帧（十六进制）：发给它的命令、寄存器、扫描、校准和固件帧，广播的ID帧，以及它主ID上的反馈和应答</source>
            <translation>Show only the frames of this motor (hexadecimal): commands, register, scan, calibration and firmware frames sent to it, the broadcast ID frames, and the feedback and replies on its master ID</translation>
        </message>
        <message>
            <source>主ID</source>
            <translation>Master ID</translation>
        </message>
        <message>
            <source>这台电机的主ID（十六进制）：它的反馈和应答都在这个ID上；不填时反馈只能按电机ID的低4位识别</source>
            <translation>The motor's master ID (hexadecimal): its feedback and replies come on this ID; without it, feedback is recognised by the low four bits of the motor ID only</translation>
        </message>
        <message>
            <source>全部类型</source>
            <translation>All kinds</translation>
        </message>
        <message>
            <source>命令</source>
            <translation>Commands</translation>
        </message>
        <message>
            <source>反馈</source>
            <translation>Feedback</translation>
        </message>
        <message>
            <source>寄存器</source>
            <translation>Registers</translation>
        </message>
        <message>
            <source>ID</source>
            <translation>IDs</translation>
        </message>
        <message>
            <source>固件</source>
            <translation>Firmware</translation>
        </message>
        <message>
            <source>按电机协议的帧类型筛选：控制命令与特殊命令、反馈、寄存器读写、ID与扫描、固件与版本</source>
            <translation>Filter by the motor protocol's kind of frame: control and special commands, feedback, register reads and writes, IDs and scans, firmware and versions</translation>
        </message>
        <message>
            <source>解析</source>
            <translation>Decoded</translation>
        </message>
        <message>
            <source>显示“解析”列：按电机协议说明每一帧是什么及其数值（使用当前的映射范围）</source>
            <translation>Show the “Decoded” column: what each frame is in the motor protocol and its values (with the mapping ranges in force)</translation>
        </message>
    </context>
    <context>
        <name>CalResultDialog</name>
        <message>
            <source>校准结果</source>
            <translation>Calibration Result</translation>
        </message>
        <message>
            <source>原始数据</source>
            <translation>Original Data</translation>
        </message>
        <message>
            <source>补偿数据</source>
            <translation>Compensation Data</translation>
        </message>
        <message>
            <source>补偿值</source>
            <translation>Compensation</translation>
        </message>
        <message>
            <source>脉动数据</source>
            <translation>Ripple Data</translation>
        </message>
        <message>
            <source>平均脉动</source>
            <translation>Averaged ripple</translation>
        </message>
        <message>
            <source>平滑脉动</source>
            <translation>Smoothed ripple</translation>
        </message>
        <message>
            <source>补偿效益</source>
            <translation>Compensation Benefit</translation>
        </message>
        <message>
            <source>补偿后</source>
            <translation>Compensated</translation>
        </message>
        <message>
            <source>补偿前</source>
            <translation>Measured</translation>
        </message>
        <message>
            <source>参考</source>
            <translation>Reference</translation>
        </message>
        <message>
            <source>校准补偿表</source>
            <translation>Calibration Compensation Table</translation>
        </message>
        <message>
            <source>输出轴校准结果</source>
            <translation>Output Shaft Calibration Result</translation>
        </message>
        <message>
            <source>往返</source>
            <translation>Round trip</translation>
        </message>
        <message>
            <source>索引表</source>
            <translation>Index table</translation>
        </message>
        <message>
            <source>下载到电机</source>
            <translation>Download to the motor</translation>
        </message>
        <message>
            <source>把上面的补偿表写入控制器；不下载就关闭本窗口，电机保持原来的表</source>
            <translation>Writes the table above into the controller; close this window instead and the motor keeps its old table</translation>
        </message>
    </context>
    <context>
        <name>CanBusPanel</name>
        <message>
            <source>仲裁域波特率</source>
            <translation>Bit rate</translation>
        </message>
        <message>
            <source>数据域波特率</source>
            <translation>Data bit rate</translation>
        </message>
        <message>
            <source>接口当前设置</source>
            <translation>Interface's setting</translation>
        </message>
        <message>
            <source>打开接口时设置的仲裁域波特率；“接口当前设置”保持接口已有的速率</source>
            <translation>Bit rate set when the interface opens; "Interface's setting" keeps the rate it already has</translation>
        </message>
        <message>
            <source>允许收发 CAN FD 帧（接口需支持 CAN FD）</source>
            <translation>Send and receive CAN FD frames (the interface must support CAN FD)</translation>
        </message>
        <message>
            <source>CAN FD 帧数据段的波特率</source>
            <translation>Bit rate of the data phase of CAN FD frames</translation>
        </message>
        <message>
            <source>%1 的速率由系统设置，例如：
sudo ip link set %1 down
sudo ip link set %1 type can bitrate 1000000 dbitrate 5000000 fd on
sudo ip link set %1 up</source>
            <translation>The system sets the rates of %1, e.g.:
sudo ip link set %1 down
sudo ip link set %1 type can bitrate 1000000 dbitrate 5000000 fd on
sudo ip link set %1 up</translation>
        </message>
        <message>
            <source>SocketCAN 接口以系统设置的速率打开；修改速率需要 root 权限</source>
            <translation>A SocketCAN interface opens at the rates the system set; changing them needs root</translation>
        </message>
    </context>
    <context>
        <name>CanLogFile</name>
        <message>
            <source>数据中有非十六进制字符“%1”</source>
            <translation>non-hexadecimal character "%1" in the data</translation>
        </message>
        <message>
            <source>数据的十六进制位数为奇数</source>
            <translation>odd number of hexadecimal digits in the data</translation>
        </message>
        <message>
            <source>缺少括号中的时间戳</source>
            <translation>no time stamp in parentheses</translation>
        </message>
        <message>
            <source>时间戳格式应为 (秒.微秒)</source>
            <translation>time stamp must be (seconds.microseconds)</translation>
        </message>
        <message>
            <source>缺少接口名或帧</source>
            <translation>no interface name or no frame</translation>
        </message>
        <message>
            <source>帧后有多余的内容</source>
            <translation>unexpected text after the frame</translation>
        </message>
        <message>
            <source>帧中缺少“#”</source>
            <translation>no "#" in the frame</translation>
        </message>
        <message>
            <source>ID 应为 3 位（标准帧）或 8 位（扩展帧）十六进制数</source>
            <translation>ID must have 3 (standard) or 8 (extended) hexadecimal digits</translation>
        </message>
        <message>
            <source>ID 中有非十六进制字符“%1”</source>
            <translation>non-hexadecimal character "%1" in the ID</translation>
        </message>
        <message>
            <source>标准帧 ID 超过 0x7FF</source>
            <translation>standard ID above 0x7FF</translation>
        </message>
        <message>
            <source>扩展帧 ID 超过 0x1FFFFFFF</source>
            <translation>extended ID above 0x1FFFFFFF</translation>
        </message>
        <message>
            <source>CAN FD 帧在“##”后缺少标志位</source>
            <translation>CAN FD frame without flags after "##"</translation>
        </message>
        <message>
            <source>CAN FD 帧不能有 %1 个数据字节</source>
            <translation>a CAN FD frame cannot carry %1 data bytes</translation>
        </message>
        <message>
            <source>远程帧的长度应为 0 到 8</source>
            <translation>remote frame length must be 0 to 8</translation>
        </message>
        <message>
            <source>CAN 帧不能超过 8 个数据字节</source>
            <translation>a CAN frame carries at most 8 data bytes</translation>
        </message>
        <message>
            <source>错误帧不能超过 8 个数据字节</source>
            <translation>an error frame carries at most 8 data bytes</translation>
        </message>
        <message>
            <source>行过长</source>
            <translation>line too long</translation>
        </message>
        <message>
            <source>第 %1 行：%2</source>
            <translation>line %1: %2</translation>
        </message>
        <message>
            <source>……另有 %1 行</source>
            <translation>... and %1 more lines</translation>
        </message>
        <message>
            <source>电机 %1 / 主ID %2（%3 点）</source>
            <translation>Motor %1 / master ID %2 (%3 points)</translation>
        </message>
    </context>
    <context>
        <name>CanRecordBar</name>
        <message>
            <source>停止录制</source>
            <translation>Stop recording</translation>
        </message>
        <message>
            <source>录制...</source>
            <translation>Record...</translation>
        </message>
        <message>
            <source>把接收记录中的帧（收发两个方向）边收边写入 can-utils 日志文件（candump -l 格式）</source>
            <translation>Write the log's frames (both directions) to a can-utils log file (candump -l format) as they come</translation>
        </message>
        <message>
            <source>打开记录...</source>
            <translation>Open recording...</translation>
        </message>
        <message>
            <source>把 can-utils 日志文件中的帧载入接收记录；格式错误的行会跳过并报告行号</source>
            <translation>Load the frames of a can-utils log file into the log; malformed lines are skipped and reported by line number</translation>
        </message>
        <message>
            <source>停止回放</source>
            <translation>Stop replay</translation>
        </message>
        <message>
            <source>回放...</source>
            <translation>Replay...</translation>
        </message>
        <message>
            <source>把 can-utils 日志文件中的帧发送到当前打开的适配器</source>
            <translation>Send the frames of a can-utils log file to the open adapter</translation>
        </message>
        <message>
            <source>原始时序</source>
            <translation>Original timing</translation>
        </message>
        <message>
            <source>2 倍速</source>
            <translation>2x speed</translation>
        </message>
        <message>
            <source>10 倍速</source>
            <translation>10x speed</translation>
        </message>
        <message>
            <source>尽快发送</source>
            <translation>As fast as possible</translation>
        </message>
        <message>
            <source>回放速度：按记录中帧之间的间隔，或更快</source>
            <translation>Replay speed: the recorded gaps between frames, or faster</translation>
        </message>
        <message>
            <source>仅发送帧</source>
            <translation>Sent frames only</translation>
        </message>
        <message>
            <source>只回放记录为发送（T）的帧，不回放收到的帧</source>
            <translation>Replay only the frames recorded as sent (T), not the received ones</translation>
        </message>
        <message>
            <source>反馈送入曲线</source>
            <translation>Feedback to charts</translation>
        </message>
        <message>
            <source>打开记录时，把一台电机的反馈按记录的时间轴送入调试页的位置、速度、力矩曲线，可缩放和保存</source>
            <translation>When a recording is opened, put one motor's feedback into the Debug page's position, velocity and torque charts on the recording's time axis, to zoom and save</translation>
        </message>
        <message>
            <source>记录中发送反馈的电机：选择要在曲线中查看的一台</source>
            <translation>The motors that sent feedback in the recording: choose the one to see in the charts</translation>
        </message>
    </context>
    <context>
        <name>CanRecorder</name>
        <message>
            <source>磁盘写入跟不上，%1 帧未录制</source>
            <translation>The disk could not keep up: %1 frames were not recorded</translation>
        </message>
    </context>
    <context>
        <name>ConnectGroupBox</name>
        <message>
            <source>FDCAN配置</source>
            <translation>FDCAN Configuration</translation>
        </message>
        <message>
            <source>设备端口</source>
            <translation>Device Port</translation>
        </message>
        <message>
            <source>工作模式</source>
            <translation>Working Mode</translation>
        </message>
        <message>
            <source>仲裁域波特率</source>
            <translation>Arb. Baud</translation>
        </message>
        <message>
            <source>波特率</source>
            <translation>Baud Rate</translation>
        </message>
        <message>
            <source>数据域波特率</source>
            <translation>Data Baud</translation>
        </message>
        <message>
            <source>采样点</source>
            <translation>Sample Point</translation>
        </message>
        <message>
            <source>固件更新</source>
            <translation>Firmware Update</translation>
        </message>
        <message>
            <source>刷新设备</source>
            <translation>Refresh</translation>
        </message>
        <message>
            <source>更新配置</source>
            <translation>Update Config</translation>
        </message>
        <message>
            <source>USB FDCAN适配器 (总线号,设备地址)；选择串口时自动匹配</source>
            <translation>USB FDCAN adapter (bus, address); follows the selected serial port</translation>
        </message>
        <message>
            <source>CAN2.0：经典CAN；FDCAN：带数据域波特率的CAN FD</source>
            <translation>CAN2.0: classic CAN; FDCAN: CAN FD with a data-phase baud rate</translation>
        </message>
        <message>
            <source>仲裁域波特率；“自定义”打开自定义波特率配置</source>
            <translation>Arbitration baud rate; "Custom" opens the custom baud rate configuration</translation>
        </message>
        <message>
            <source>CAN FD数据域波特率；“自定义”打开自定义波特率配置</source>
            <translation>CAN FD data-phase baud rate; "Custom" opens the custom baud rate configuration</translation>
        </message>
        <message>
            <source>仲裁域采样点 (%)</source>
            <translation>Arbitration sample point (%)</translation>
        </message>
        <message>
            <source>把所选波特率写入适配器并读回</source>
            <translation>Writes the selected baud rates to the adapter and reads them back</translation>
        </message>
        <message>
            <source>重新查找USB FDCAN适配器 (串口打开时不可用)</source>
            <translation>Searches for USB FDCAN adapters again (not while the port is open)</translation>
        </message>
        <message>
            <source>警告</source>
            <translation>Warning</translation>
        </message>
        <message>
            <source>并未发现USB设备，请检查链接</source>
            <translation>No USB device found, please check connection</translation>
        </message>
        <message>
            <source>打开:</source>
            <translation>Open: </translation>
        </message>
        <message>
            <source>失败</source>
            <translation> failed</translation>
        </message>
        <message>
            <source>自定义</source>
            <translation>Custom </translation>
        </message>
        <message>
            <source>读取失败 (错误码 %1)</source>
            <translation>Read failed (error code %1)</translation>
        </message>
        <message>
            <source>选择文件</source>
            <translation>Select File</translation>
        </message>
        <message>
            <source>烧录文件 (*.enc)</source>
            <translation>Firmware image (*.enc)</translation>
        </message>
        <message>
            <source>确认适配器固件升级</source>
            <translation>Confirm adapter firmware upgrade</translation>
        </message>
        <message>
            <source>把固件写入 USB FDCAN 适配器？写入期间适配器不收发 CAN 帧，不要拔出它；写入后适配器以新固件重新启动。</source>
            <translation>Write the firmware into the USB FDCAN adapter? While it is written the adapter carries no CAN frames; do not unplug it. Afterwards the adapter restarts with the new firmware.</translation>
        </message>
        <message>
            <source>目标:</source>
            <translation>Target:</translation>
        </message>
        <message>
            <source>USB FDCAN 适配器 %1</source>
            <translation>USB FDCAN adapter %1</translation>
        </message>
        <message>
            <source>USB FDCAN 适配器 %1（串口 %2）</source>
            <translation>USB FDCAN adapter %1 (port %2)</translation>
        </message>
        <message>
            <source>文件:</source>
            <translation>File:</translation>
        </message>
        <message>
            <source>大小:</source>
            <translation>Size:</translation>
        </message>
        <message>
            <source>%1 字节，%2 包（每包 %3 字节）</source>
            <translation>%1 bytes, %2 packets (%3 bytes each)</translation>
        </message>
        <message>
            <source>当前版本:</source>
            <translation>Version now:</translation>
        </message>
        <message>
            <source>未能读取（适配器没有应答）</source>
            <translation>not read (the adapter did not answer)</translation>
        </message>
        <message>
            <source>文件名不以 .%1 结尾：它可能不是适配器固件（.bin 是电机的固件）。</source>
            <translation>The file name does not end in .%1: it may not be adapter firmware (.bin is a motor&apos;s firmware).</translation>
        </message>
        <message>
            <source>开始升级</source>
            <translation>Start upgrade</translation>
        </message>
        <message>
            <source>适配器固件升级完成。升级后未能读取版本；升级前为 %1。</source>
            <translation>Adapter firmware upgrade complete. The version could not be read afterwards; before it was %1.</translation>
        </message>
        <message>
            <source>未知</source>
            <translation>unknown</translation>
        </message>
        <message>
            <source>适配器固件升级完成。现在的版本：%1。</source>
            <translation>Adapter firmware upgrade complete. Version now: %1.</translation>
        </message>
        <message>
            <source>适配器固件升级完成，但版本没有改变：仍为 %1。请确认所选文件是新版本的固件。</source>
            <translation>Adapter firmware upgrade complete, but the version did not change: still %1. Check that the chosen file is a newer firmware.</translation>
        </message>
        <message>
            <source>适配器固件升级完成。版本 %1 → %2。</source>
            <translation>Adapter firmware upgrade complete. Version %1 → %2.</translation>
        </message>
        <message>
            <source>适配器固件升级</source>
            <translation>Adapter firmware upgrade</translation>
        </message>
    </context>
    <context>
        <name>CustomBaudDialog</name>
        <message>
            <source>自定义波特率配置</source>
            <translation>Custom Baud Rate Configuration</translation>
        </message>
        <message>
            <source>仲裁域波特率(Kbps)</source>
            <translation>Arbitration Baud Rate (Kbps)</translation>
        </message>
        <message>
            <source>数据域波特率(Kbps)</source>
            <translation>Data Field Baud Rate (Kbps)</translation>
        </message>
        <message>
            <source>分频系数:</source>
            <translation>Prescaler:</translation>
        </message>
        <message>
            <source>同步跳变宽度:</source>
            <translation>SJW:</translation>
        </message>
        <message>
            <source>采样点:</source>
            <translation>Sample point:</translation>
        </message>
        <message>
            <source>自动模式下输入波特率(kbit/s)，分频系数和时间段由程序搜索</source>
            <translation>In automatic mode type the baud rate (kbit/s); prescaler and segments are searched</translation>
        </message>
        <message>
            <source>时钟分频系数 (1-255)</source>
            <translation>Clock prescaler (1-255)</translation>
        </message>
        <message>
            <source>相位段1的时间量子数，含传播段</source>
            <translation>Time quanta of phase segment 1, propagation segment included</translation>
        </message>
        <message>
            <source>相位段2的时间量子数</source>
            <translation>Time quanta of phase segment 2</translation>
        </message>
        <message>
            <source>同步跳变宽度，单位为时间量子</source>
            <translation>Synchronisation jump width in time quanta</translation>
        </message>
        <message>
            <source>时钟频率(MHz):</source>
            <translation>Clock (MHz):</translation>
        </message>
        <message>
            <source>适配器CAN控制器的时钟频率</source>
            <translation>Clock of the adapter's CAN controller</translation>
        </message>
        <message>
            <source>配置</source>
            <translation>Configure</translation>
        </message>
        <message>
            <source>取消</source>
            <translation>Cancel</translation>
        </message>
        <message>
            <source>清除</source>
            <translation>Clear</translation>
        </message>
        <message>
            <source>自动计算参数</source>
            <translation>Auto Calculate</translation>
        </message>
        <message>
            <source>开启：输入波特率自动计算参数；关闭：手动输入分频系数和时间段</source>
            <translation>On: type baud rates and the parameters are calculated; off: type prescaler and segments by hand</translation>
        </message>
        <message>
            <source>仲裁波特率不得大于1M</source>
            <translation>Arbitration rate max. 1M</translation>
        </message>
        <message>
            <source>非法波特率</source>
            <translation>Invalid baud rate</translation>
        </message>
        <message>
            <source>错误</source>
            <translation>Error</translation>
        </message>
        <message>
            <source>仲裁域参数不能为空</source>
            <translation>Arbitration parameters must not be empty</translation>
        </message>
        <message>
            <source>实际波特率:</source>
            <translation>Actual rate:</translation>
        </message>
        <message>
            <source>所得位时序的实际波特率及其与输入值的偏差；偏差超过该位时序允许的振荡器容差时不予配置</source>
            <translation>The rate the found timing really gives and its deviation from the rate entered; a deviation beyond the oscillator tolerance of that timing is not configured</translation>
        </message>
        <message>
            <source>%1 kbit/s 在 %2 MHz 时钟下没有采样点在 %3 的位时序</source>
            <translation>%1 kbit/s has no bit timing with a sample point of %3 at a %2 MHz clock</translation>
        </message>
        <message>
            <source>%1 bit/s，误差 %2%</source>
            <translation>%1 bit/s, deviation %2%</translation>
        </message>
        <message>
            <source>%1，超过该位时序允许的 ±%2%</source>
            <translation>%1, beyond the ±%2% this timing tolerates</translation>
        </message>
        <message>
            <source>分频系数、Seg1 和 Seg2 都须大于 0</source>
            <translation>Prescaler, Seg1 and Seg2 must all be above 0</translation>
        </message>
        <message>
            <source>仲裁域参数无效，未配置：%1</source>
            <translation>Invalid arbitration parameters, nothing configured: %1</translation>
        </message>
        <message>
            <source>数据域参数无效，未配置：%1</source>
            <translation>Invalid data phase parameters, nothing configured: %1</translation>
        </message>
    </context>
    <context>
        <name>ExportColumnsDialog</name>
        <message>
            <source>选择导出列</source>
            <translation>Select Columns to Export</translation>
        </message>
        <message>
            <source>只导出筛选后显示的行</source>
            <translation>Export only the rows the filter shows</translation>
        </message>
        <message>
            <source>不勾选时导出日志中的全部帧，不受筛选影响</source>
            <translation>Unchecked: every frame of the log is exported, whatever the filter shows</translation>
        </message>
        <message>
            <source>确认</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>取消</source>
            <translation>Cancel</translation>
        </message>
    </context>
    <context>
        <name>FeedbackAnalysisBox</name>
        <message>
            <source>反馈帧解析</source>
            <translation>Feedback Frame Analysis</translation>
        </message>
        <message>
            <source>输入电机反馈帧的8个数据字节（十六进制），回车后解析出位置、速度、扭矩、温度和状态；不足16位时在右侧补0</source>
            <translation>Type the 8 data bytes of a motor feedback frame (hexadecimal) and press Enter to decode position, velocity, torque, temperatures and state; fewer than 16 digits are padded with 0 on the right</translation>
        </message>
        <message>
            <source>位置(rad)</source>
            <translation>Position(rad)</translation>
        </message>
        <message>
            <source>速度(rad/s)</source>
            <translation>Velocity(rad/s)</translation>
        </message>
        <message>
            <source>扭矩(N*m)</source>
            <translation>Torque(N*m)</translation>
        </message>
    </context>
    <context>
        <name>FirmwareDialog</name>
        <message>
            <source>FDCAN固件升级</source>
            <translation>FDCAN Firmware Upgrade</translation>
        </message>
        <message>
            <source>电机固件升级</source>
            <translation>Motor Firmware Upgrade</translation>
        </message>
        <message>
            <source>读版本</source>
            <translation>Read Version</translation>
        </message>
        <message>
            <source>固件选择</source>
            <translation>Select Firmware</translation>
        </message>
        <message>
            <source>固件升级</source>
            <translation>Upgrade Firmware</translation>
        </message>
        <message>
            <source>读取适配器当前的固件版本</source>
            <translation>Reads the adapter's current firmware version</translation>
        </message>
        <message>
            <source>读取电机的应用程序和引导程序版本</source>
            <translation>Reads the motor's application and bootloader versions</translation>
        </message>
        <message>
            <source>选择适配器固件文件 (*.enc)</source>
            <translation>Choose an adapter firmware image (*.enc)</translation>
        </message>
        <message>
            <source>选择电机固件文件 (*.bin)</source>
            <translation>Choose a motor firmware image (*.bin)</translation>
        </message>
        <message>
            <source>把所选固件写入设备，进度显示在下方</source>
            <translation>Writes the chosen firmware into the device; progress below</translation>
        </message>
        <message>
            <source>FDCAN固件版本: </source>
            <translation>FDCAN firmware version: </translation>
        </message>
        <message>
            <source>固件文件: </source>
            <translation>Firmware file: </translation>
        </message>
        <message>
            <source>
固件版本:
</source>
            <translation>
Firmware version:
</translation>
        </message>
        <message>
            <source>升级完成</source>
            <translation>Upgrade complete</translation>
        </message>
        <message>
            <source>升级失败: </source>
            <translation>Upgrade failed: </translation>
        </message>
    </context>
    <context>
        <name>FirmwareGroupBox</name>
        <message>
            <source>电机固件升级</source>
            <translation>Motor Firmware Upgrade</translation>
        </message>
        <message>
            <source>读版本</source>
            <translation>Read Version</translation>
        </message>
        <message>
            <source>固件选择</source>
            <translation>Select Firmware</translation>
        </message>
        <message>
            <source>固件升级</source>
            <translation>Upgrade Firmware</translation>
        </message>
        <message>
            <source>读取电机的应用程序版本 (FW REV) 和引导程序版本 (BL REV)</source>
            <translation>Read the motor's application version (FW REV) and bootloader version (BL REV)</translation>
        </message>
        <message>
            <source>选择电机固件文件 (*.bin)</source>
            <translation>Choose a motor firmware file (*.bin)</translation>
        </message>
        <message>
            <source>把所选固件经当前链路写入电机 (F8)，进度显示在下方</source>
            <translation>Write the chosen firmware to the motor over the current link (F8); progress is shown below</translation>
        </message>
        <message>
            <source>固件传输进度，结束后回到 0</source>
            <translation>Firmware transfer progress; back to 0 when it ends</translation>
        </message>
        <message>
            <source>所选固件文件的名称</source>
            <translation>Name of the chosen firmware file</translation>
        </message>
    </context>
    <context>
        <name>FirmwareUpgrade</name>
        <message>
            <source>升级完成</source>
            <translation>Upgrade complete</translation>
        </message>
        <message>
            <source>电机没有进入引导程序</source>
            <translation>The motor did not enter its bootloader</translation>
        </message>
        <message>
            <source>引导程序没有应答</source>
            <translation>The bootloader stopped answering</translation>
        </message>
        <message>
            <source>引导程序报告错误 (ERROR)</source>
            <translation>The bootloader reported an error (ERROR)</translation>
        </message>
        <message>
            <source>引导程序在最后一包之前结束了升级</source>
            <translation>The bootloader ended the upgrade before the last packet</translation>
        </message>
        <message>
            <source>升级已取消</source>
            <translation>Upgrade cancelled</translation>
        </message>
        <message>
            <source>无法读取固件文件 %1：%2</source>
            <translation>Cannot read the firmware file %1: %2</translation>
        </message>
        <message>
            <source>固件文件 %1 过大：%2 字节，上限为 %3 字节。</source>
            <translation>The firmware file %1 is too large: %2 bytes, the limit is %3 bytes.</translation>
        </message>
        <message>
            <source>固件文件 %1 为空。</source>
            <translation>The firmware file %1 is empty.</translation>
        </message>
        <message>
            <source>%1 不是普通文件，未读取。</source>
            <translation>%1 is not a regular file; it was not read.</translation>
        </message>
    </context>
    <context>
        <name>IdIncrementDialog</name>
        <message>
            <source>id递增配置</source>
            <translation>ID Increment Configuration</translation>
        </message>
        <message>
            <source>ID按 停止ID+1 取模回绕，十六进制</source>
            <translation>The ID wraps modulo stop ID + 1, hexadecimal</translation>
        </message>
        <message>
            <source>步距</source>
            <translation>Step Size</translation>
        </message>
        <message>
            <source>停止ID</source>
            <translation>Stop ID</translation>
        </message>
        <message>
            <source>步距应为 0 到 65535 之间的十进制数: %1</source>
            <translation>The step must be a decimal number from 0 to 65535: %1</translation>
        </message>
        <message>
            <source>停止ID应为十六进制数: %1</source>
            <translation>The stop ID must be a hexadecimal number of at most 8 digits: %1</translation>
        </message>
        <message>
            <source>警告</source>
            <translation>Warning</translation>
        </message>
        <message>
            <source>每次发送后ID增加的值，十进制，0 到 %1</source>
            <translation>What the ID grows by after each send, decimal, 0 to %1</translation>
        </message>
        <message>
            <source>USB适配器的发送记录只能携带 0 到 %1 的步距: %2</source>
            <translation>The USB adapter's transmit record carries a step of 0 to %1 only: %2</translation>
        </message>
    </context>
    <context>
        <name>Logger</name>
        <message>
            <source>程序崩溃</source>
            <translation>Program crash</translation>
        </message>
        <message>
            <source>发生致命错误，即将退出。
%1
日志已保存至: %2</source>
            <translation>A fatal error occurred; the program will exit.
%1
Log saved to: %2</translation>
        </message>
        <message>
            <source>段错误(SIGSEGV) - 访问了无效的内存地址</source>
            <translation>Segmentation fault (SIGSEGV) - invalid memory address accessed</translation>
        </message>
        <message>
            <source>异常终止(SIGABRT) - 程序调用了abort()</source>
            <translation>Abnormal termination (SIGABRT) - the program called abort()</translation>
        </message>
        <message>
            <source>浮点异常(SIGFPE) - 算术运算错误(如整数除以零)</source>
            <translation>Arithmetic exception (SIGFPE) - arithmetic error (e.g. integer division by zero)</translation>
        </message>
        <message>
            <source>总线错误(SIGBUS) - 访问了不存在或未对齐的内存地址</source>
            <translation>Bus error (SIGBUS) - nonexistent or misaligned memory address accessed</translation>
        </message>
        <message>
            <source>非法指令(SIGILL) - 执行了无效的机器指令</source>
            <translation>Illegal instruction (SIGILL) - invalid machine instruction executed</translation>
        </message>
    </context>
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
            <translation>Motor baud rate</translation>
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
        <message>
            <source>关闭串口</source>
            <translation>Close Serial Port</translation>
        </message>
        <message>
            <source>串口连接已断开: </source>
            <translation>Serial port connection lost: </translation>
        </message>
        <message>
            <source>扩展帧</source>
            <translation>Extended</translation>
        </message>
        <message>
            <source>标准帧</source>
            <translation>Standard</translation>
        </message>
        <message>
            <source>远程帧</source>
            <translation>Remote</translation>
        </message>
        <message>
            <source>数据帧</source>
            <translation>Data</translation>
        </message>
        <message>
            <source>请打开串口</source>
            <translation>Please open the COM port</translation>
        </message>
        <message>
            <source>打开串口时出现错误</source>
            <translation>Error occurred while opening COM port</translation>
        </message>
        <message>
            <source>数据接收错误</source>
            <translation>Data reception error</translation>
        </message>
        <message>
            <source>canid不能为空</source>
            <translation>CAN ID cannot be empty</translation>
        </message>
        <message>
            <source>参数不能为空</source>
            <translation>Parameters cannot be empty</translation>
        </message>
        <message>
            <source>设备无应答，请重新校准！！</source>
            <translation>No response from device, please recalibrate!!</translation>
        </message>
        <message>
            <source>数据传输错误！</source>
            <translation>Data transmission error!</translation>
        </message>
        <message>
            <source>写参数成功</source>
            <translation>Parameter write successful</translation>
        </message>
        <message>
            <source>请配置FDCAN并打开串口后重试！</source>
            <translation>Please configure FDCAN and open the COM port before retrying!</translation>
        </message>
        <message>
            <source>未选择固件文件！</source>
            <translation>No firmware file selected!</translation>
        </message>
        <message>
            <source>请打开fdcan设备</source>
            <translation>Please open the FDCAN device</translation>
        </message>
        <message>
            <source>固件升级失败！</source>
            <translation>Firmware upgrade failed!</translation>
        </message>
        <message>
            <source>校准成功！</source>
            <translation>Calibration successful!</translation>
        </message>
        <message>
            <source>新老校准判别失败！</source>
            <translation>New/old calibration distinction failed!</translation>
        </message>
        <message>
            <source>补偿表接收失败！</source>
            <translation>Compensation table reception failed!</translation>
        </message>
        <message>
            <source>波特率配置成功</source>
            <translation>Baud rate configured successfully</translation>
        </message>
        <message>
            <source>波特率配置失败</source>
            <translation>Baud rate configuration failed</translation>
        </message>
        <message>
            <source>错误</source>
            <translation>Error</translation>
        </message>
        <message>
            <source>CAN发送</source>
            <translation>CAN Transmit</translation>
        </message>
        <message>
            <source>发送次数</source>
            <translation>Send Times</translation>
        </message>
        <message>
            <source>发送间隔(ms)</source>
            <translation>Interval (ms)</translation>
        </message>
        <message>
            <source>DATA递增</source>
            <translation>DATA increment</translation>
        </message>
        <message>
            <source>ID递增</source>
            <translation>ID increment</translation>
        </message>
        <message>
            <source>数据域加速</source>
            <translation>Data Field Acceleration</translation>
        </message>
        <message>
            <source>数据</source>
            <translation>Data</translation>
        </message>
        <message>
            <source>数据报文长度(0~8)</source>
            <translation>Data length (0~8)</translation>
        </message>
        <message>
            <source>数据报文长度(0~8,12,16,20,24,32,48,64)</source>
            <translation>Data length (0~8,12,16,20,24,32,48,64)</translation>
        </message>
        <message>
            <source>发送</source>
            <translation>Send</translation>
        </message>
        <message>
            <source>停止</source>
            <translation>Stop</translation>
        </message>
        <message>
            <source>CAN波特率(k)</source>
            <translation>CAN baud (k)</translation>
        </message>
        <message>
            <source>设置</source>
            <translation>Set</translation>
        </message>
        <message>
            <source>串口设置</source>
            <translation>Serial settings</translation>
        </message>
        <message>
            <source>数据位</source>
            <translation>Data Bits</translation>
        </message>
        <message>
            <source>校验位</source>
            <translation>Check Bit</translation>
        </message>
        <message>
            <source>停止位</source>
            <translation>Stop Bits</translation>
        </message>
        <message>
            <source>通道占用率</source>
            <translation>ChnlOccRate</translation>
        </message>
        <message>
            <source>当前占用率:</source>
            <translation>Current occupancy:</translation>
        </message>
        <message>
            <source>校准波形</source>
            <translation>Calibration waveform</translation>
        </message>
        <message>
            <source>位置波形</source>
            <translation>Position waveform</translation>
        </message>
        <message>
            <source>速度波形</source>
            <translation>Velocity waveform</translation>
        </message>
        <message>
            <source>力矩波形</source>
            <translation>Torque waveform</translation>
        </message>
        <message>
            <source>位置:</source>
            <translation>Position:</translation>
        </message>
        <message>
            <source>速度:</source>
            <translation>Velocity:</translation>
        </message>
        <message>
            <source>力矩:</source>
            <translation>Torque:</translation>
        </message>
        <message>
            <source>位置</source>
            <translation>Position</translation>
        </message>
        <message>
            <source>速度</source>
            <translation>Velocity</translation>
        </message>
        <message>
            <source>力矩</source>
            <translation>Torque</translation>
        </message>
        <message>
            <source>总线占用率（%）</source>
            <translation>Bus occupancy (%)</translation>
        </message>
        <message>
            <source>1:MIT模式</source>
            <translation>1:MIT Mode</translation>
        </message>
        <message>
            <source>2:位置速度模式</source>
            <translation>2:Position-Velocity Mode</translation>
        </message>
        <message>
            <source>3:速度模式</source>
            <translation>3:Velocity Mode</translation>
        </message>
        <message>
            <source>4:PVT模式</source>
            <translation>4:PVT Mode</translation>
        </message>
        <message>
            <source>选择文本文件</source>
            <translation>Select Text File</translation>
        </message>
        <message>
            <source>文本文件 (*.txt)</source>
            <translation>Text Files (*.txt)</translation>
        </message>
        <message>
            <source>导出成功</source>
            <translation>Export Successful</translation>
        </message>
        <message>
            <source>数据已成功导出到: %1</source>
            <translation>Data successfully exported to: %1</translation>
        </message>
        <message>
            <source>CAN波特率:</source>
            <translation>CAN Baud Rate:</translation>
        </message>
        <message>
            <source>欠压:</source>
            <translation>Under-voltage:</translation>
        </message>
        <message>
            <source>过压:</source>
            <translation>Over-voltage:</translation>
        </message>
        <message>
            <source>过温:</source>
            <translation>Over-temp.:</translation>
        </message>
        <message>
            <source>过流:</source>
            <translation>Over-current:</translation>
        </message>
        <message>
            <source>加速度:</source>
            <translation>Acceleration:</translation>
        </message>
        <message>
            <source>减速度:</source>
            <translation>Deceleration:</translation>
        </message>
        <message>
            <source>限速:</source>
            <translation>Speed Limit:</translation>
        </message>
        <message>
            <source>极对数:</source>
            <translation>Pole Pairs:</translation>
        </message>
        <message>
            <source>减速比:</source>
            <translation>Gear Ratio:</translation>
        </message>
        <message>
            <source>相电阻（R）:</source>
            <translation>Phase R:</translation>
        </message>
        <message>
            <source>相电感（L）:</source>
            <translation>Phase L:</translation>
        </message>
        <message>
            <source>磁 链（λ）:</source>
            <translation>Flux (λ):</translation>
        </message>
        <message>
            <source>粘滞系数:</source>
            <translation>Viscous Coeff.:</translation>
        </message>
        <message>
            <source>转动惯量:</source>
            <translation>Inertia:</translation>
        </message>
        <message>
            <source>控制模式:</source>
            <translation>Control Mode:</translation>
        </message>
        <message>
            <source>齿轮系数:</source>
            <translation>Gear Coeff.:</translation>
        </message>
        <message>
            <source>阻尼因子:</source>
            <translation>Damping Factor:</translation>
        </message>
        <message>
            <source>电流带宽:</source>
            <translation>I-loop Bandwidth:</translation>
        </message>
        <message>
            <source>速度 KP:</source>
            <translation>Speed KP:</translation>
        </message>
        <message>
            <source>速度 KI:</source>
            <translation>Speed KI:</translation>
        </message>
        <message>
            <source>位置 KP:</source>
            <translation>Position KP:</translation>
        </message>
        <message>
            <source>位置 KI:</source>
            <translation>Position KI:</translation>
        </message>
        <message>
            <source>速度带宽:</source>
            <translation>V-loop Bandwidth:</translation>
        </message>
        <message>
            <source>电流环系数:</source>
            <translation>I-loop Coeff.:</translation>
        </message>
        <message>
            <source>速度环系数:</source>
            <translation>V-loop Coeff.:</translation>
        </message>
        <message>
            <source>子版本:</source>
            <translation>Sub-version:</translation>
        </message>
        <message>
            <source>力矩范围</source>
            <translation>Torque Range</translation>
        </message>
        <message>
            <source>转速(RPM)</source>
            <translation>Speed (RPM)</translation>
        </message>
        <message>
            <source>位置范围</source>
            <translation>Position Range</translation>
        </message>
        <message>
            <source>电流</source>
            <translation>Current</translation>
        </message>
        <message>
            <source>电机状态:</source>
            <translation>Motor State:</translation>
        </message>
        <message>
            <source>电机温度:</source>
            <translation>Motor Temp.:</translation>
        </message>
        <message>
            <source>驱动温度:</source>
            <translation>Driver Temp.:</translation>
        </message>
        <message>
            <source>数据:</source>
            <translation>Data:</translation>
        </message>
        <message>
            <source>周期(ms)</source>
            <translation>Period (ms)</translation>
        </message>
        <message>
            <source>读参数</source>
            <translation>Read Parameters</translation>
        </message>
        <message>
            <source>写参数</source>
            <translation>Write Parameters</translation>
        </message>
        <message>
            <source>保存参数</source>
            <translation>Save to Flash</translation>
        </message>
        <message>
            <source>通信参数</source>
            <translation>Communication</translation>
        </message>
        <message>
            <source>驱动参数</source>
            <translation>Driver</translation>
        </message>
        <message>
            <source>控制参数</source>
            <translation>Control</translation>
        </message>
        <message>
            <source>控制设置</source>
            <translation>Control Settings</translation>
        </message>
        <message>
            <source>报文格式</source>
            <translation>Frame Layouts</translation>
        </message>
        <message>
            <source>电机状态</source>
            <translation>Motor State</translation>
        </message>
        <message>
            <source>使能</source>
            <translation>Enable</translation>
        </message>
        <message>
            <source>失能</source>
            <translation>Disable</translation>
        </message>
        <message>
            <source>保存零点</source>
            <translation>Save Zero</translation>
        </message>
        <message>
            <source>清除错误</source>
            <translation>Clear Error</translation>
        </message>
        <message>
            <source>指令发送</source>
            <translation>Command</translation>
        </message>
        <message>
            <source>更新</source>
            <translation>Update</translation>
        </message>
        <message>
            <source>周期发送</source>
            <translation>Periodic</translation>
        </message>
        <message>
            <source>电机供电超压</source>
            <translation>Supply over-voltage</translation>
        </message>
        <message>
            <source>电机供电欠压</source>
            <translation>Supply under-voltage</translation>
        </message>
        <message>
            <source>电机过流错误</source>
            <translation>Over-current</translation>
        </message>
        <message>
            <source>驱动过温错误</source>
            <translation>Driver over-temperature</translation>
        </message>
        <message>
            <source>电机过温错误</source>
            <translation>Motor over-temperature</translation>
        </message>
        <message>
            <source>通讯丢失错误</source>
            <translation>Communication lost</translation>
        </message>
        <message>
            <source>电机过载错误</source>
            <translation>Overload</translation>
        </message>
        <message>
            <source>电机未使能</source>
            <translation>Motor disabled</translation>
        </message>
        <message>
            <source>电机已使能</source>
            <translation>Motor enabled</translation>
        </message>
        <message>
            <source>错误类型</source>
            <translation>Error type</translation>
        </message>
        <message>
            <source>控制报文</source>
            <translation>Control Frame</translation>
        </message>
        <message>
            <source>反馈报文</source>
            <translation>Feedback Frame</translation>
        </message>
        <message>
            <source>ID 表示控制器的ID，取CAN_ID的低8位
ERR表示状态，对应状态类型为：
0——失能；1——使能；
8——超压；9——欠压；
A——过电流；B——MOS过温；
C——电机线圈过温；D——通讯丢失；
E——过载；</source>
            <translation>ID is the controller's ID, the low 8 bits of CAN_ID
ERR is the state; the state codes are:
0 — disabled; 1 — enabled;
8 — over-voltage; 9 — under-voltage;
A — over-current; B — MOS over-temperature;
C — motor coil over-temperature; D — communication lost;
E — overload;</translation>
        </message>
        <message>
            <source>POS 表示电机的位置信息，单位rad
VEL表示电机的速度信息，单位rad/s
T 表示电机的扭矩信息，单位N-m
T_MOS表示驱动上MOS的平均温度，单位℃
T_Rotor 表示电机内部线圈的平均温度，单位℃
位置、速度和扭矩采用线性映射的关系将浮点型数据转换成有符号的定点数据，其中位置采用16位数据，速度和扭矩均使用12位。</source>
            <translation>POS is the motor's position, in rad
VEL is the motor's velocity, in rad/s
T is the motor's torque, in N-m
T_MOS is the average temperature of the driver's MOSFETs, in ℃
T_Rotor is the average temperature of the motor's coil, in ℃
Position, velocity and torque are mapped linearly from floating point to signed fixed point; position uses 16 bits, velocity and torque 12 bits each.</translation>
        </message>
        <message>
            <source>无法打开文件</source>
            <translation>Cannot open file</translation>
        </message>
        <message>
            <source>智能助手</source>
            <translation>Assistant</translation>
        </message>
        <message>
            <source>助手给出的 CAN ID“%1”无效：须为 0 到 %2 之间的十进制整数。CAN ID 未更改。</source>
            <translation>The assistant's CAN ID "%1" is invalid: it must be a decimal integer from 0 to %2. The CAN ID was not changed.</translation>
        </message>
        <message>
            <source>%1映射范围 [%2, %3] 无效，MIT 命令未发送。请先读取参数，或检查 PMAX、VMAX、TMAX。</source>
            <translation>The %1 mapping range [%2, %3] is invalid; the MIT command was not sent. Read the parameters first, or check PMAX, VMAX and TMAX.</translation>
        </message>
        <message>
            <source>参数 %1 的值“%2”无法写入：须为有限的数值（ID 不超过 0x7FF）。未写入任何参数。</source>
            <translation>Parameter %1 cannot take the value "%2": it must be a finite number (an ID at most 0x7FF). No parameter was written.</translation>
        </message>
        <message>
            <source>CAN ID 0x%1 超出%2的范围，帧未发送</source>
            <translation>CAN ID 0x%1 does not fit a %2; the frame was not sent</translation>
        </message>
        <message>
            <source>扩展帧（29 位）</source>
            <translation>extended frame (29 bits)</translation>
        </message>
        <message>
            <source>标准帧（11 位）</source>
            <translation>standard frame (11 bits)</translation>
        </message>
        <message>
            <source>CAN ID 0x%1 超出范围：电机 CAN ID 须在 0 到 0x%2 之间（各模式的命令 ID 须为标准帧 ID）。CAN ID 未更改。</source>
            <translation>CAN ID 0x%1 is out of range: a motor CAN ID must lie between 0 and 0x%2 so that every mode's command ID is a standard frame ID. The CAN ID was not changed.</translation>
        </message>
        <message>
            <source>扭矩</source>
            <translation>Torque</translation>
        </message>
        <message>
            <source>无法写入文件，原文件保持不变: %1</source>
            <translation>Cannot write the file; the previous file is unchanged: %1</translation>
        </message>
        <message>
            <source>不是普通文件，未导入: %1</source>
            <translation>Not a regular file, nothing imported: %1</translation>
        </message>
        <message>
            <source>文件过大（%1 字节），参数文件最多 %2 字节，未导入</source>
            <translation>File too large (%1 bytes); a parameter file has at most %2 bytes. Nothing imported.</translation>
        </message>
        <message>
            <source>无法读取文件: %1</source>
            <translation>Cannot read the file: %1</translation>
        </message>
        <message>
            <source>文件中没有可用的参数行，未做任何更改: %1</source>
            <translation>The file holds no usable parameter line; nothing was changed: %1</translation>
        </message>
        <message>
            <source>“%1”不是有效的 CAN ID：须为 0 到 0x%2 之间的十六进制数。CAN ID 未更改。</source>
            <translation>"%1" is not a valid CAN ID: it must be a hexadecimal number from 0 to 0x%2. The CAN ID was not changed.</translation>
        </message>
        <message>
            <source>开始接收校准数据！</source>
            <translation>Starting to receive calibration data!</translation>
        </message>
        <message>
            <source>设备无应答，传输失败！！</source>
            <translation>No response from device, transfer failed!!</translation>
        </message>
        <message>
            <source>串口异常关闭，请检查设备链接！</source>
            <translation>The serial port closed unexpectedly, please check the device connection!</translation>
        </message>
        <message>
            <source>保存输出轴校准数据错误：设备无应答，传输失败！！</source>
            <translation>Saving the output-shaft calibration data failed: no response from device, transfer failed!!</translation>
        </message>
        <message>
            <source>接收失败！</source>
            <translation>Reception failed!</translation>
        </message>
        <message>
            <source>传输成功！</source>
            <translation>Transfer successful!</translation>
        </message>
        <message>
            <source>输出编码器校准完毕！</source>
            <translation>Output encoder calibration completed!</translation>
        </message>
        <message>
            <source>输出轴编码器</source>
            <translation>secondaryEncdr</translation>
        </message>
        <message>
            <source>电机侧编码器</source>
            <translation>primaryEncdr</translation>
        </message>
        <message>
            <source>待校准极对数为</source>
            <translation>Pole pairs to calibrate: </translation>
        </message>
        <message>
            <source>校准数据不完整或无效，未生成补偿表。</source>
            <translation>The calibration data is incomplete or invalid; no compensation table was made.</translation>
        </message>
        <message>
            <source>校准数据

</source>
            <translation>Calibration data

</translation>
        </message>
        <message>
            <source>电机参数</source>
            <translation>Motor Parameters</translation>
        </message>
        <message>
            <source>参数标定</source>
            <translation>Param Cali</translation>
        </message>
        <message>
            <source>让控制器自行测量相电阻、相电感、磁链、粘滞系数和转动惯量（串口直连，约需数秒）</source>
            <translation>Let the controller measure phase resistance, phase inductance, flux linkage, friction and inertia itself (serial console; takes a few seconds)</translation>
        </message>
        <message>
            <source>校准数据接收与补偿表下载的进度</source>
            <translation>Progress of receiving the calibration data and of downloading the compensation table</translation>
        </message>
        <message>
            <source>开始校准上方开关所选的编码器（关：电机侧，开：输出轴），经串口与控制器直连</source>
            <translation>Calibrate the encoder chosen with the switch above (off: motor side, on: output shaft) over the controller's serial console</translation>
        </message>
        <message>
            <source>要校准的编码器：关为电机侧编码器，开为输出轴编码器</source>
            <translation>Encoder to calibrate: off for the motor-side encoder, on for the output-shaft encoder</translation>
        </message>
        <message>
            <source>解析错误</source>
            <translation>Parsing Error</translation>
        </message>
        <message>
            <source>无效的十六进制字符: </source>
            <translation>Invalid hexadecimal characters: </translation>
        </message>
        <message>
            <source>ID超出范围（00~FF）: </source>
            <translation>ID out of range (00 to FF): </translation>
        </message>
        <message>
            <source>是否确认将总线上所有设备的&lt;CAN ID,MASTER ID&gt;更改为：</source>
            <translation>Change &lt;CAN ID,MASTER ID&gt; of every device on the bus to: </translation>
        </message>
        <message>
            <source>读ID</source>
            <translation>Read ID</translation>
        </message>
        <message>
            <source>设ID</source>
            <translation>Set ID</translation>
        </message>
        <message>
            <source>读取总线上电机的CAN ID和Master ID（取第一个应答）</source>
            <translation>Read the CAN ID and master ID of the motors on the bus (the first answer counts)</translation>
        </message>
        <message>
            <source>将总线上所有电机的ID改为左侧两个十六进制值</source>
            <translation>Give every motor on the bus the two hexadecimal IDs on the left</translation>
        </message>
        <message>
            <source>电机的CAN ID（十六进制）</source>
            <translation>The motor's CAN ID (hexadecimal)</translation>
        </message>
        <message>
            <source>电机应答所用的Master ID（十六进制）</source>
            <translation>The master ID the motor answers on (hexadecimal)</translation>
        </message>
        <message>
            <source>输入要找的电机ID（十六进制），随即扫描总线上的ID 0~7F</source>
            <translation>Type the motor ID to look for (hexadecimal); the bus is then scanned for IDs 0 to 7F</translation>
        </message>
        <message>
            <source>速度的输入单位：rad/s 或 RPM</source>
            <translation>Unit of the typed velocities: rad/s or RPM</translation>
        </message>
        <message>
            <source>数值在范围内的位置（只显示）</source>
            <translation>Where the value lies within its range (display only)</translation>
        </message>
        <message>
            <source>总线上 ID：0x%1 不存在，
总线上设备数量为 %2，ID：%3</source>
            <translation>ID 0x%1 does not exist on the bus,
number of devices on the bus: %2, IDs: %3</translation>
        </message>
        <message>
            <source>质量分析</source>
            <translation>Quality Analysis</translation>
        </message>
        <message>
            <source>向电机请求1024个采样点，计算频谱并判断24Hz和28Hz幅值（需在UART模式下直连电机串口）</source>
            <translation>Asks the motor for 1024 samples, computes their spectrum and judges the amplitudes at 24 Hz and 28 Hz (needs the motor's serial console, UART mode)</translation>
        </message>
        <message>
            <source>质量分析：已收到的采样数据</source>
            <translation>Quality analysis: share of the samples received</translation>
        </message>
        <message>
            <source>输入要发送的内容，回车发送，Shift+回车换行</source>
            <translation>Text to send: Return sends, Shift+Return starts a new line</translation>
        </message>
        <message>
            <source>发送格式</source>
            <translation>Send as</translation>
        </message>
        <message>
            <source>输入框按文本(ASCII)或十六进制字节(HEX)发送</source>
            <translation>Send the input as text (ASCII) or as hexadecimal bytes (HEX)</translation>
        </message>
        <message>
            <source>发送队列</source>
            <translation>Send Queue</translation>
        </message>
        <message>
            <source>打开串口发送队列窗口 (F3)</source>
            <translation>Open the serial send queue window (F3)</translation>
        </message>
        <message>
            <source>输入一条消息，回车添加到队列</source>
            <translation>A message; Return adds it to the queue</translation>
        </message>
        <message>
            <source>队列消息按文本(ASCII)或十六进制字节(HEX)发送</source>
            <translation>Send the queued messages as text (ASCII) or as hexadecimal bytes (HEX)</translation>
        </message>
        <message>
            <source>添加</source>
            <translation>Add</translation>
        </message>
        <message>
            <source>删除</source>
            <translation>Delete</translation>
        </message>
        <message>
            <source>上移</source>
            <translation>Up</translation>
        </message>
        <message>
            <source>下移</source>
            <translation>Down</translation>
        </message>
        <message>
            <source>间隔(ms)</source>
            <translation>Pause (ms)</translation>
        </message>
        <message>
            <source>相邻两条消息之间的间隔，单位毫秒</source>
            <translation>Pause between two messages, in milliseconds</translation>
        </message>
        <message>
            <source>从第一条到最后一条依次发送，再次点击停止</source>
            <translation>Sends every message from the first to the last; click again to stop</translation>
        </message>
        <message>
            <source>串口正被其他操作占用，请稍后再试</source>
            <translation>The serial port is busy with another operation; try again later</translation>
        </message>
        <message>
            <source>警告</source>
            <translation>Warning</translation>
        </message>
        <message>
            <source>USB设备连接已断开: </source>
            <translation>USB device disconnected: </translation>
        </message>
        <message>
            <source>总线占用率实时曲线</source>
            <translation>Real-time Bus Occupancy Curve</translation>
        </message>
        <message>
            <source>dlc输入不合法</source>
            <translation>Invalid DLC input</translation>
        </message>
        <message>
            <source>Invalid hexadecimal value: %1</source>
            <translation>Invalid hexadecimal value: %1</translation>
        </message>
        <message>
            <source>发送次数；USB适配器上 -1 表示一直发送，直到按下停止</source>
            <translation>Number of sends; on the USB adapter -1 sends until Stop is pressed</translation>
        </message>
        <message>
            <source>两次发送之间的间隔，毫秒</source>
            <translation>Interval between two sends, milliseconds</translation>
        </message>
        <message>
            <source>每次发送后数据递增：长度为1、2、4、8字节时，前几个字节写入发送计数（小端）</source>
            <translation>Data counts up per send: for lengths of 1, 2, 4 or 8 bytes the send counter is written over the first bytes (little-endian)</translation>
        </message>
        <message>
            <source>每次发送后ID按步距递增，按 停止ID+1 取模回绕；勾选时打开配置</source>
            <translation>The ID grows by the step per send and wraps modulo stop ID + 1; checking it opens the settings</translation>
        </message>
        <message>
            <source>复制内容</source>
            <translation>Copy Content</translation>
        </message>
        <message>
            <source>复制全部</source>
            <translation>Copy All</translation>
        </message>
        <message>
            <source>选择错误</source>
            <translation>Selection Error</translation>
        </message>
        <message>
            <source>请至少选择一列进行导出！</source>
            <translation>Please select at least one column to export!</translation>
        </message>
        <message>
            <source>导出数据</source>
            <translation>Export Data</translation>
        </message>
        <message>
            <source>CSV文件 (*.csv)</source>
            <translation>CSV files (*.csv)</translation>
        </message>
        <message>
            <source>导出失败</source>
            <translation>Export Failed</translation>
        </message>
        <message>
            <source>无法打开文件: %1</source>
            <translation>Cannot open file: %1</translation>
        </message>
        <message>
            <source>序号</source>
            <translation>Index</translation>
        </message>
        <message>
            <source>时间戳</source>
            <translation>Timestamp</translation>
        </message>
        <message>
            <source>帧类型</source>
            <translation>Type</translation>
        </message>
        <message>
            <source>帧格式</source>
            <translation>Format</translation>
        </message>
        <message>
            <source>CAN类型</source>
            <translation>canType</translation>
        </message>
        <message>
            <source>ID</source>
            <translation>ID</translation>
        </message>
        <message>
            <source>状态</source>
            <translation>Status</translation>
        </message>
        <message>
            <source>数据长度</source>
            <translation>DataLen</translation>
        </message>
        <message>
            <source>数据内容</source>
            <translation>Data</translation>
        </message>
        <message>
            <source>正在导出数据...</source>
            <translation>Exporting data...</translation>
        </message>
        <message>
            <source>写入文件失败，原文件保持不变: %1</source>
            <translation>Writing the file failed; the earlier file is kept: %1</translation>
        </message>
        <message>
            <source>接收积压，已丢弃 %1 字节</source>
            <translation>Receive backlog: %1 bytes dropped</translation>
        </message>
        <message>
            <source>，%1 帧未记入日志</source>
            <translation>, %1 frames not logged</translation>
        </message>
        <message>
            <source>接收的数据多于本工具能处理的数据时，超出的部分被丢弃；“清空计数”将其清零</source>
            <translation>When more data arrives than the tool can process, the excess is dropped; "Clear Count" resets this figure</translation>
        </message>
        <message>
            <source>端口正被其他程序使用</source>
            <translation>The port is in use by another program</translation>
        </message>
        <message>
            <source>没有打开此端口的权限</source>
            <translation>No permission to open this port</translation>
        </message>
        <message>
            <source>端口已不存在（设备已拔出？）</source>
            <translation>The port no longer exists (device unplugged?)</translation>
        </message>
        <message>
            <source>FDCAN固件</source>
            <translation>FDCAN Firmware</translation>
        </message>
        <message>
            <source>USB FDCAN适配器固件升级 (F9)</source>
            <translation>USB FDCAN adapter firmware upgrade (F9)</translation>
        </message>
        <message>
            <source>数据域波特率</source>
            <translation>Data baud rate</translation>
        </message>
        <message>
            <source>固件升级完成</source>
            <translation>Firmware upgrade complete</translation>
        </message>
        <message>
            <source>固件选择</source>
            <translation>Select Firmware</translation>
        </message>
        <message>
            <source>固件文件(*.bin)</source>
            <translation>Firmware files (*.bin)</translation>
        </message>
        <message>
            <source>电机固件升级</source>
            <translation>Motor Firmware Upgrade</translation>
        </message>
        <message>
            <source>在对话框中读取电机版本并升级电机固件</source>
            <translation>Read the motor's versions and upgrade its firmware in a dialog</translation>
        </message>
        <message>
            <source>录制已停止</source>
            <translation>Recording stopped</translation>
        </message>
        <message>
            <source>录制失败</source>
            <translation>Recording failed</translation>
        </message>
        <message>
            <source>无法写入记录文件，录制已停止: %1</source>
            <translation>Cannot write the recording, recording stopped: %1</translation>
        </message>
        <message>
            <source>录制中: %1，%2 帧</source>
            <translation>Recording: %1, %2 frames</translation>
        </message>
        <message>
            <source>CAN 接口（Qt 插件 %1）</source>
            <translation>CAN interface (Qt plugin %1)</translation>
        </message>
        <message>
            <source>打开失败</source>
            <translation>Open failed</translation>
        </message>
        <message>
            <source>无法打开 CAN 接口 %1: %2</source>
            <translation>Cannot open CAN interface %1: %2</translation>
        </message>
        <message>
            <source>接口设置</source>
            <translation>interface's rate</translation>
        </message>
        <message>
            <source>CAN 接口发送失败: </source>
            <translation>CAN interface send failed: </translation>
        </message>
        <message>
            <source>CAN 接口连接已断开: </source>
            <translation>CAN interface connection lost: </translation>
        </message>
        <message>
            <source>录制到文件</source>
            <translation>Record to file</translation>
        </message>
        <message>
            <source>无法创建文件 %1: %2</source>
            <translation>Cannot create file %1: %2</translation>
        </message>
        <message>
            <source>已录制 %1 帧到 %2</source>
            <translation>Recorded %1 frames to %2</translation>
        </message>
        <message>
            <source>记录文件有错误</source>
            <translation>Errors in the recording</translation>
        </message>
        <message>
            <source>%1 中有 %2 行格式错误，已跳过：
%3</source>
            <translation>%1 has %2 malformed lines, skipped:
%3</translation>
        </message>
        <message>
            <source>打开记录</source>
            <translation>Open recording</translation>
        </message>
        <message>
            <source>无法打开文件 %1: %2</source>
            <translation>Cannot open file %1: %2</translation>
        </message>
        <message>
            <source>正在读取记录...</source>
            <translation>Reading the recording...</translation>
        </message>
        <message>
            <source>读取失败</source>
            <translation>Read failed</translation>
        </message>
        <message>
            <source>读取 %1 时出错: %2</source>
            <translation>Error reading %1: %2</translation>
        </message>
        <message>
            <source>已载入 %1 帧: %2</source>
            <translation>Loaded %1 frames: %2</translation>
        </message>
        <message>
            <source>无法回放</source>
            <translation>Cannot replay</translation>
        </message>
        <message>
            <source>请先打开串口或 CAN 接口</source>
            <translation>Open a serial port or a CAN interface first</translation>
        </message>
        <message>
            <source>回放记录</source>
            <translation>Replay recording</translation>
        </message>
        <message>
            <source>回放中: %1</source>
            <translation>Replaying: %1</translation>
        </message>
        <message>
            <source>回放%1: 发送 %2 帧</source>
            <translation>Replay %1: %2 frames sent</translation>
        </message>
        <message>
            <source>已停止</source>
            <translation>stopped</translation>
        </message>
        <message>
            <source>完成</source>
            <translation>finished</translation>
        </message>
        <message>
            <source>，跳过 %1 帧</source>
            <translation>, %1 frames skipped</translation>
        </message>
        <message>
            <source>，%1 帧未能发送</source>
            <translation>, %1 frames not sent</translation>
        </message>
        <message>
            <source>回放出错</source>
            <translation>Replay error</translation>
        </message>
        <message>
            <source>错误帧</source>
            <translation>Error frame</translation>
        </message>
        <message>
            <source>发送数据：请填写数据长度</source>
            <translation>Data sent: enter the data length</translation>
        </message>
        <message>
            <source>发送数据：无效的十六进制值 %1</source>
            <translation>Data sent: invalid hexadecimal value %1</translation>
        </message>
        <message>
            <source>发送数据：%1</source>
            <translation>Data sent: %1</translation>
        </message>
        <message>
            <source>(无)</source>
            <translation>(none)</translation>
        </message>
        <message>
            <source>CAN FD帧的数据域以数据域波特率发送（位速率切换 BRS）；经典CAN帧不受影响</source>
            <translation>CAN FD frames send their data phase at the data bit rate (bit rate switch, BRS); classic CAN frames are not affected</translation>
        </message>
        <message>
            <source>帧ID，十六进制：标准帧 0~7FF，扩展帧 0~1FFFFFFF</source>
            <translation>Frame ID, hexadecimal: standard frame 0-7FF, extended frame 0-1FFFFFFF</translation>
        </message>
        <message>
            <source>USB适配器的发送记录只能携带 0 到 %1 的ID步距，当前步距为 %2，帧未发送。请在“ID递增”的配置中改小步距。</source>
            <translation>The USB adapter's transmit record carries an ID step of 0 to %1 only; the step is %2, so nothing was sent. Choose a smaller step in the ID increment settings.</translation>
        </message>
        <message>
            <source>“%1”不是有效的CAN ID：须为十六进制数，标准帧 0~7FF，扩展帧 0~1FFFFFFF</source>
            <translation>"%1" is no valid CAN ID: it must be hexadecimal, 0-7FF for a standard frame, 0-1FFFFFFF for an extended one</translation>
        </message>
        <message>
            <source>“%1”不是有效的发送次数：须为 0 到 2147483647 的整数，-1 表示一直发送直到停止</source>
            <translation>"%1" is no valid send count: it must be a whole number from 0 to 2147483647, or -1 to send until stopped</translation>
        </message>
        <message>
            <source>；记录中没有电机反馈帧</source>
            <translation>; the recording holds no motor feedback</translation>
        </message>
        <message>
            <source>已载入 %1 的反馈曲线: %2（见调试页）</source>
            <translation>Feedback curves of %1 loaded: %2 (see the Debug page)</translation>
        </message>
        <message>
            <source>解析</source>
            <translation>Decoded</translation>
        </message>
        <message>
            <source>串口已关闭</source>
            <translation>The serial port was closed</translation>
        </message>
        <message>
            <source>调参经 CAN 发送指令：电机通道为 UART 时不可用，请切换到 CAN</source>
            <translation>Tuning sends its commands over CAN: it is not available while the motor channel is UART; switch to CAN</translation>
        </message>
        <message>
            <source>调参...</source>
            <translation>Tuning...</translation>
        </message>
        <message>
            <source>阶跃与扫频测试：测量上升时间、超调、调节时间和带宽，比较不同增益下的响应</source>
            <translation>Step and sweep tests: measure rise time, overshoot, settling time and bandwidth, and compare the response under different gains</translation>
        </message>
        <message>
            <source>补偿表 %1 项，取值 %2 … %3（单位 1/16384 圈），电角度偏移 %4 rad；下载共 %5 包，写入后电机使用新表。</source>
            <translation>Compensation table of %1 entries, values %2 … %3 (1/16384 turn), electrical offset %4 rad; the download takes %5 packets, after which the motor uses the new table.</translation>
        </message>
        <message>
            <source>输出轴校准数据不完整或无效，未生成补偿表，未向电机发送任何数据：
%1</source>
            <translation>The output-shaft calibration data are incomplete or invalid: no table, nothing was sent to the motor:
%1</translation>
        </message>
        <message>
            <source>输出轴索引表 %1 项，取值 %2 … %3；下载共 %4 包，写入后电机使用新表。</source>
            <translation>Output-shaft index table of %1 entries, values %2 … %3; the download takes %4 packets, after which the motor uses the new table.</translation>
        </message>
        <message>
            <source>%1 = %2（写入 %3）</source>
            <translation>%1 = %2 (written: %3)</translation>
        </message>
        <message>
            <source>电机未接受以下参数，保留了原值：
%1</source>
            <translation>The motor did not take these parameters and kept its own values:
%1</translation>
        </message>
        <message>
            <source>以下参数无法写入，未写入任何参数：
%1</source>
            <translation>These parameters cannot be written; nothing was written:
%1</translation>
        </message>
        <message>
            <source>已发送保存命令：电机把当前参数存入其 Flash，断电后保留</source>
            <translation>Save command sent: the motor stores its current parameters in its flash, where they survive a power cycle</translation>
        </message>
        <message>
            <source>参数页当前为 CAN ID %1、主机ID %2</source>
            <translation>the page now shows CAN ID %1 and master ID %2</translation>
        </message>
        <message>
            <source>参数页当前没有 ID（请先读参数）</source>
            <translation>the page shows no IDs (read the parameters first)</translation>
        </message>
        <message>
            <source>导入参数</source>
            <translation>Import Parameters</translation>
        </message>
        <message>
            <source>文件中的 CAN ID 为 %1、主机ID 为 %2；%3。
使用文件中的 ID 吗？选“否”保留当前 ID（推荐：两台电机用同一 ID 会互相干扰）。</source>
            <translation>The file has CAN ID %1 and master ID %2; %3.
Take the file's IDs? "No" keeps the current ones (recommended: two motors with one ID answer over each other).</translation>
        </message>
        <message>
            <source>已从文件填入 %1 行参数（%2 项与之前不同），尚未写入电机；点击“写参数”写入。</source>
            <translation>%1 parameter lines filled in from the file (%2 values changed), not yet written to the motor; press "Write Parameters" to write them.</translation>
        </message>
        <message>
            <source>%1 行无法使用，已跳过。</source>
            <translation>%1 lines could not be used and were skipped.</translation>
        </message>
        <message>
            <source>ID 取自文件。</source>
            <translation>The IDs were taken from the file.</translation>
        </message>
        <message>
            <source>ID 保留为当前值，未取文件中的 ID。</source>
            <translation>The IDs were kept; the file's IDs were not taken.</translation>
        </message>
        <message>
            <source>质量分析数据的第 %1 个采样值无效（%2），这不是一次有效的测量：未计算频谱，也未作判定。</source>
            <translation>Sample %1 of the quality-analysis block is invalid (%2): this is no valid measurement, so no spectrum was computed and no verdict given.</translation>
        </message>
        <message>
            <source>极对数为 0</source>
            <translation>the pole pair count is 0</translation>
        </message>
        <message>
            <source>只有 %1 个采样，%2 对极需要 %3 个</source>
            <translation>only %1 samples; %2 pole pairs need %3</translation>
        </message>
        <message>
            <source>测得角度没有随指令角度前进（第 %1 点，%2° 之后为 %3°），编码器或相序可能接反，或采样有误</source>
            <translation>the measured angle does not advance with the commanded one (point %1: %3° after %2°); the encoder or the phase order may be reversed, or a sample is corrupt</translation>
        </message>
        <message>
            <source>第 %1 项补偿值不是数值（测得角度重复）</source>
            <translation>table entry %1 is not a number (measured angles repeat)</translation>
        </message>
        <message>
            <source>第 %1 项补偿值 %2 超出 -8192 … 8192</source>
            <translation>table entry %1 is %2, outside -8192 … 8192</translation>
        </message>
        <message>
            <source>步长为 0</source>
            <translation>the step is 0</translation>
        </message>
        <message>
            <source>只有 %1 个采样，需要 %2 个</source>
            <translation>only %1 samples; %2 needed</translation>
        </message>
        <message>
            <source>第 %1 项位置 %2 超出 0 … 4095</source>
            <translation>entry %1 lies at %2, outside 0 … 4095</translation>
        </message>
        <message>
            <source>%1 的值 %2 不是有限的数值</source>
            <translation>%1: %2 is not a finite number</translation>
        </message>
        <message>
            <source>%1 的值 %2 不能为负</source>
            <translation>%1: %2 must not be negative</translation>
        </message>
        <message>
            <source>%1 的值 %2 须大于 0</source>
            <translation>%1: %2 must be above 0</translation>
        </message>
        <message>
            <source>%1 的值 %2 超出范围 %3 … %4</source>
            <translation>%1: %2 is outside %3 … %4</translation>
        </message>
        <message>
            <source>%1（%2）须低于 %3（%4）</source>
            <translation>%1 (%2) must be below %3 (%4)</translation>
        </message>
        <message>
            <source>%1（%2）不能是 %3（%4）的控制帧 ID（%5、%6、%7、%8），也不能是 0x7FF</source>
            <translation>%1 (%2) must be none of %3 (%4)'s command IDs (%5, %6, %7, %8) nor 0x7FF</translation>
        </message>
        <message>
            <source>只读：电机的 CAN ID 只能用“设ID”修改（CAN 方式写参数不发送它）</source>
            <translation>Read-only: the motor's CAN ID changes only through Set ID (a CAN write does not send it)</translation>
        </message>
        <message>
            <source>只读：写参数不修改极对数（CAN 方式不发送它，串口方式原样写回读到的值）</source>
            <translation>Read-only: a write never changes the pole pairs (CAN does not send them, the console sends back the value read)</translation>
        </message>
        <message>
            <source>只读：写参数不修改减速比（CAN 方式不发送它，串口方式原样写回读到的值）</source>
            <translation>Read-only: a write never changes the gear ratio (CAN does not send it, the console sends back the value read)</translation>
        </message>
        <message>
            <source>只读：子版本号由电机固件决定</source>
            <translation>Read-only: the sub-version comes with the motor's firmware</translation>
        </message>
        <message>
            <source>文件中没有可用的参数行，未做任何更改</source>
            <translation>The file holds no usable parameter line; nothing was changed</translation>
        </message>
        <message>
            <source>校准数据不完整或无效，未生成补偿表，未向电机发送任何数据：
%1</source>
            <translation>The calibration data are incomplete or invalid: no compensation table, nothing was sent to the motor:
%1</translation>
        </message>
        <message>
            <source>无法发送</source>
            <translation>Cannot send</translation>
        </message>
        <message>
            <source>固件升级进行中，升级结束前不能发送其他帧</source>
            <translation>A firmware upgrade is running: nothing else can be sent until it ends</translation>
        </message>
        <message>
            <source>当前串口连接的是电机控制台（UART 模式），CAN 帧会被电机当作控制台命令执行，未发送。请切换到 CAN 模式，或打开 CAN 适配器。</source>
            <translation>The open port is the motor's console (UART mode): the motor would take CAN frames as console commands, so nothing was sent. Switch to CAN mode, or open a CAN adapter.</translation>
        </message>
        <message>
            <source>帧未能发送</source>
            <translation>The frame could not be sent</translation>
        </message>
        <message>
            <source>ID递增到 0x%1，超出%2的范围：已发送 %3 帧，其余 %4 帧未发送</source>
            <translation>ID counting reached 0x%1, beyond the range of %2: %3 frame(s) sent, the other %4 not sent</translation>
        </message>
        <message>
            <source>ID递增到 0x%1，超出%2的范围：已发送 %3 帧，发送已停止</source>
            <translation>ID counting reached 0x%1, beyond the range of %2: %3 frame(s) sent, sending stopped</translation>
        </message>
        <message>
            <source>发送已停止</source>
            <translation>Sending stopped</translation>
        </message>
        <message>
            <source>当前适配器只能发送经典 CAN 帧，CAN FD 帧未发送</source>
            <translation>This adapter sends classic CAN frames only: the CAN FD frame was not sent</translation>
        </message>
        <message>
            <source>帧未能发送，发送已停止</source>
            <translation>The frame could not be sent; sending stopped</translation>
        </message>
        <message>
            <source>串口连接的是电机控制台（UART 模式）：CAN 帧未发送</source>
            <translation>The port is the motor's console (UART mode): CAN frame not sent</translation>
        </message>
        <message>
            <source>已随全部发送一同停止</source>
            <translation>Stopped together with all sending</translation>
        </message>
        <message>
            <source>“%1”已开始，调参已停止</source>
            <translation>“%1” started: tuning stopped</translation>
        </message>
        <message>
        <source>电机总览</source>
        <translation>Motors</translation>
    </message>
    <message>
        <source>生成报告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>报告已保存:
%1
%2</source>
        <translation>Report saved:
%1
%2</translation>
    </message>
    <message>
        <source>扫描总线需要 CAN 通道：当前为电机串口（UART）。</source>
        <translation>Scanning the bus needs the CAN channel: the port is the motor console (UART).</translation>
    </message>
    <message>
        <source>找到 %1 台电机（扫描 %2 ms，共 %3 ms）</source>
        <translation>%1 motors found (scan %2 ms, in all %3 ms)</translation>
    </message>
    <message>
        <source>ID 冲突：%1</source>
        <translation>ID conflict: %1</translation>
    </message>
    <message>
        <source>要写入的参数与电机当前的值完全相同，未写入任何参数。</source>
        <translation>The parameters to write are exactly the motor&apos;s values: nothing written.</translation>
    </message>
    <message>
        <source>没有勾选任何参数，未写入。</source>
        <translation>No parameter ticked: nothing written.</translation>
    </message>
    <message>
        <source>选择报告文件夹</source>
        <translation>Choose the report folder</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>The port is not open</translation>
    </message>
    <message>
        <source>找到电机 %1（主机ID %2，%3）</source>
        <translation>Motor %1 found (master ID %2, %3)</translation>
    </message>
    <message>
        <source>电机 %1 未应答设ID命令</source>
        <translation>Motor %1 did not answer Set ID</translation>
    </message>
    <message>
        <source>%1 → CAN ID %2，主机ID %3</source>
        <translation>%1 → CAN ID %2, master ID %3</translation>
    </message>
    <message>
        <source>电机未应答读参数</source>
        <translation>The motor did not answer the parameter read</translation>
    </message>
    <message>
        <source>电机的值与文件相同，无需写入</source>
        <translation>The motor already holds the file&apos;s values: nothing to write</translation>
    </message>
    <message>
        <source>参数文件 %1 与电机当前的值不同的寄存器：</source>
        <translation>Registers where the parameter file %1 differs from the motor&apos;s values:</translation>
    </message>
    <message>
        <source>未写入</source>
        <translation>Not written</translation>
    </message>
    <message>
        <source>电机未确认写入的参数</source>
        <translation>The motor did not confirm the parameters written</translation>
    </message>
    <message>
        <source>已写入 %1 项参数</source>
        <translation>%1 parameters written</translation>
    </message>
    <message>
        <source>已发送保存命令</source>
        <translation>Save command sent</translation>
    </message>
    <message>
        <source>校准经电机串口（UART）进行：请打开电机串口后单独校准，或跳过此步。</source>
        <translation>Calibration runs over the motor console (UART): open the console and calibrate there, or skip this step.</translation>
    </message>
    <message>
        <source>校准未完成</source>
        <translation>Calibration did not finish</translation>
    </message>
    <message>
        <source>补偿表已生成</source>
        <translation>Compensation table computed</translation>
    </message>
    <message>
        <source>质量分析经电机串口（UART）进行：请打开电机串口后单独分析，或跳过此步。</source>
        <translation>Quality analysis runs over the motor console (UART): open the console and analyse there, or skip this step.</translation>
    </message>
    <message>
        <source>质量分析未得到结果</source>
        <translation>Quality analysis gave no result</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>异常：24 Hz %1，28 Hz %2</source>
        <translation>Abnormal: 24 Hz %1, 28 Hz %2</translation>
    </message>
    <message>
        <source>总线上只有一台电机应答：CAN ID 0x%1，主机ID 0x%2。</source>
        <translation>One motor alone answers on the bus: CAN ID 0x%1, master ID 0x%2.</translation>
    </message>
    <message>
        <source>电机未应答读参数，无法对比将要改变的参数，未写入任何参数。</source>
        <translation>The motor did not answer the parameter read, so what would change cannot be shown: nothing written.</translation>
    </message>
    <message>
        <source>写参数将改变电机的以下参数（取消勾选则保留电机的值）：</source>
        <translation>Writing changes these parameters of the motor (untick a row to keep the motor&apos;s value):</translation>
    </message>
    <message>
        <source>文件中的参数与电机当前的值完全相同，无需写入。</source>
        <translation>The file holds exactly the motor&apos;s values: nothing to write.</translation>
    </message>
    <message>
        <source>文件 %1 与电机当前的值不同的参数（取消勾选则保留电机的值；尚未写入）：</source>
        <translation>Parameters where the file %1 differs from the motor&apos;s values (untick a row to keep the motor&apos;s value; nothing is written yet):</translation>
    </message>
    <message>
        <source>ID 0x%1：%2 台电机</source>
        <translation>ID 0x%1: %2 motors</translation>
    </message>
    <message>
        <source>总线上没有电机应答扫描，未发送设ID命令。</source>
        <translation>No motor answered the scan: Set ID not sent.</translation>
    </message>
    <message>
        <source>总线上有 %1 台电机应答（%2）：设ID是广播，会把它们全部改成同一个ID。请只在总线上接入要设置的那台电机，未发送设ID命令。</source>
        <translation>%1 motors answer on the bus (%2): Set ID is a broadcast and would give every one of them the same IDs. Connect only the motor to set; Set ID not sent.</translation>
    </message>
    <message>
        <source>未设ID（已取消）</source>
        <translation>IDs not set (cancelled)</translation>
    </message>
    <message>
        <source>填入勾选的值</source>
        <translation>Fill in the ticked values</translation>
    </message>
        <message>
            <source>CAN 记录中的 %1 行</source>
            <translation>%1 rows of the CAN log</translation>
        </message>
        <message>
            <source>串口终端的输出</source>
            <translation>the serial terminal&apos;s output</translation>
        </message>
        <message>
            <source>参数页上 %1 项没有从电机读取的值（未写入的修改或导入的值）</source>
            <translation>%1 fields of the parameter page not read from the motor (edits or imported values not yet written)</translation>
        </message>
        <message>
            <source>图表中的 %1 个数据点</source>
            <translation>%1 data points in the charts</translation>
        </message>
        <message>
            <source>清空将丢弃：
%1

确定清空吗？</source>
            <translation>Clear would discard:
%1

Clear anyway?</translation>
        </message>
        <message>
            <source>USB FDCAN 适配器 %1</source>
            <translation>USB FDCAN adapter %1</translation>
        </message>
        <message>
            <source>CAN 接口</source>
            <translation>CAN interface</translation>
        </message>
        <message>
            <source>串口适配器 %1</source>
            <translation>serial adapter %1</translation>
        </message>
        <message>
            <source>确认回放</source>
            <translation>Confirm replay</translation>
        </message>
        <message>
            <source>把记录中的帧发送到总线上？总线上的电机会执行其中的命令（使能、运动、设置）。</source>
            <translation>Send the recorded frames onto the bus? The motors on the bus will carry out the commands among them (enable, motion, settings).</translation>
        </message>
        <message>
            <source>文件:</source>
            <translation>File:</translation>
        </message>
        <message>
            <source>发送到:</source>
            <translation>Sent to:</translation>
        </message>
        <message>
            <source>帧:</source>
            <translation>Frames:</translation>
        </message>
        <message>
            <source>ID:</source>
            <translation>IDs:</translation>
        </message>
        <message>
            <source>时长:</source>
            <translation>Duration:</translation>
        </message>
        <message>
            <source>仅发送帧</source>
            <translation>Sent frames only</translation>
        </message>
        <message>
            <source>发送 %1 帧（记录中：%2 帧标为发送，%3 帧标为接收，%4 帧未标方向，%5 个错误帧不发送）</source>
            <translation>%1 frames to send (the recording has %2 marked sent, %3 marked received, %4 unmarked; %5 error frames are never sent)</translation>
        </message>
        <message>
            <source>无</source>
            <translation>none</translation>
        </message>
        <message>
            <source>%1 个：%2</source>
            <translation>%2 (%1 in all)</translation>
        </message>
        <message>
            <source>约 %1 秒（速度 %2×）</source>
            <translation>about %1 s (speed %2×)</translation>
        </message>
        <message>
            <source>不按记录的间隔，尽快发送</source>
            <translation>as fast as the link takes them, without the recorded gaps</translation>
        </message>
        <message>
            <source>%1 行格式错误，将被跳过：
%2</source>
            <translation>%1 malformed lines will be skipped:
%2</translation>
        </message>
        <message>
            <source>文件没有读完：%1</source>
            <translation>The file was not read to its end: %1</translation>
        </message>
        <message>
            <source>记录中没有标为发送（T）的帧：取消“仅发送帧”才会发送收到的帧。</source>
            <translation>The recording has no frames marked as sent (T): untick &quot;Sent frames only&quot; to send the received frames.</translation>
        </message>
        <message>
            <source>没有可发送的帧。</source>
            <translation>There are no frames to send.</translation>
        </message>
        <message>
            <source>开始回放</source>
            <translation>Start replay</translation>
        </message>
        <message>
            <source>正在检查 %1 …</source>
            <translation>Checking %1 …</translation>
        </message>
        <message>
            <source>应用程序 %1，引导程序 %2</source>
            <translation>application %1, bootloader %2</translation>
        </message>
        <message>
            <source>未能读取（电机没有应答）</source>
            <translation>not read (the motor did not answer)</translation>
        </message>
        <message>
            <source>经串口 %1 直连的电机（UART 控制台）</source>
            <translation>the motor wired directly to port %1 (UART console)</translation>
        </message>
        <message>
            <source>电机 CAN ID %1（主机 ID %2），经%3</source>
            <translation>motor CAN ID %1 (master ID %2) through the %3</translation>
        </message>
        <message>
            <source>确认固件升级</source>
            <translation>Confirm firmware upgrade</translation>
        </message>
        <message>
            <source>把固件写入电机？写入期间电机不受控制，不要断电或断开连接；写入后电机以新固件重新启动。</source>
            <translation>Write the firmware into the motor? While it is written the motor is not controlled; do not power it off or disconnect it. Afterwards the motor restarts with the new firmware.</translation>
        </message>
        <message>
            <source>目标:</source>
            <translation>Target:</translation>
        </message>
        <message>
            <source>%1 字节，%2 包</source>
            <translation>%1 bytes, %2 packets</translation>
        </message>
        <message>
            <source>（%1 个 CAN 帧）</source>
            <translation> (%1 CAN frames)</translation>
        </message>
        <message>
            <source>大小:</source>
            <translation>Size:</translation>
        </message>
        <message>
            <source>当前版本:</source>
            <translation>Version now:</translation>
        </message>
        <message>
            <source>文件名不以 .%1 结尾：它可能不是电机固件（.enc 是 USB 适配器的固件）。</source>
            <translation>The file name does not end in .%1: it may not be motor firmware (.enc is the USB adapter&apos;s firmware).</translation>
        </message>
        <message>
            <source>开始升级</source>
            <translation>Start upgrade</translation>
        </message>
        <message>
            <source>固件升级完成。升级后未能读取版本；升级前为 %1。</source>
            <translation>Firmware upgrade complete. The versions could not be read afterwards; before they were %1.</translation>
        </message>
        <message>
            <source>固件升级完成。现在的版本：%1。</source>
            <translation>Firmware upgrade complete. Versions now: %1.</translation>
        </message>
        <message>
            <source>固件升级完成，但版本没有改变：仍为 %1。请确认所选文件是新版本的固件。</source>
            <translation>Firmware upgrade complete, but the version did not change: still %1. Check that the chosen file is a newer firmware.</translation>
        </message>
        <message>
            <source>固件升级完成。应用程序版本 %1 → %2，引导程序版本 %3 → %4。</source>
            <translation>Firmware upgrade complete. Application %1 → %2, bootloader %3 → %4.</translation>
        </message>
        <message>
            <source>固件升级</source>
            <translation>Firmware upgrade</translation>
        </message>
</context>
    <context>
        <name>MotorFrameDecode</name>
        <message>
            <source>位置速度</source>
            <translation>Pos-vel</translation>
        </message>
        <message>
            <source>速度</source>
            <translation>Velocity</translation>
        </message>
        <message>
            <source>MIT → %1: p %2 rad, v %3 rad/s, Kp %4, Kd %5, τ %6 N·m</source>
            <translation>MIT → %1: p %2 rad, v %3 rad/s, Kp %4, Kd %5, τ %6 N·m</translation>
        </message>
        <message>
            <source>位置速度 → %1: p %2 rad, v %3 rad/s</source>
            <translation>Pos-vel → %1: p %2 rad, v %3 rad/s</translation>
        </message>
        <message>
            <source>速度 → %1: v %2 rad/s</source>
            <translation>Velocity → %1: v %2 rad/s</translation>
        </message>
        <message>
            <source>PVT → %1: p %2 rad, v %3 rad/s, i %4</source>
            <translation>PVT → %1: p %2 rad, v %3 rad/s, i %4</translation>
        </message>
        <message>
            <source>清除错误</source>
            <translation>Clear error</translation>
        </message>
        <message>
            <source>使能</source>
            <translation>Enable</translation>
        </message>
        <message>
            <source>失能</source>
            <translation>Disable</translation>
        </message>
        <message>
            <source>保存零点</source>
            <translation>Save zero</translation>
        </message>
        <message>
            <source>%1 ← %2: %3 rad, %4 rad/s, %5 N·m, MOS %6 ℃, 线圈 %7 ℃, %8</source>
            <translation>%1 ← %2: %3 rad, %4 rad/s, %5 N·m, MOS %6 ℃, rotor %7 ℃, %8</translation>
        </message>
        <message>
            <source>读寄存器 → %1: %2</source>
            <translation>Read register → %1: %2</translation>
        </message>
        <message>
            <source>写寄存器 → %1: %2 = %3</source>
            <translation>Write register → %1: %2 = %3</translation>
        </message>
        <message>
            <source>保存参数到Flash → %1</source>
            <translation>Save parameters to flash → %1</translation>
        </message>
        <message>
            <source>%1 ← %2: 读应答/扫描应答 %3 = %4</source>
            <translation>%1 ← %2: read/scan reply %3 = %4</translation>
        </message>
        <message>
            <source>%1 ← %2: 读应答 %3 = %4</source>
            <translation>%1 ← %2: read reply %3 = %4</translation>
        </message>
        <message>
            <source>%1 ← %2: 写应答 %3 = %4</source>
            <translation>%1 ← %2: write reply %3 = %4</translation>
        </message>
        <message>
            <source>%1 ← %2: 保存应答</source>
            <translation>%1 ← %2: save reply</translation>
        </message>
        <message>
            <source>读ID（广播）</source>
            <translation>Read ID (broadcast)</translation>
        </message>
        <message>
            <source>设ID（广播）: CAN ID %1, 主ID %2</source>
            <translation>Set ID (broadcast): CAN ID %1, master ID %2</translation>
        </message>
        <message>
            <source>%1 ← ID应答: CAN ID %2, 主ID %3</source>
            <translation>%1 ← ID reply: CAN ID %2, master ID %3</translation>
        </message>
        <message>
            <source>%1 ← 设ID应答: CAN ID %2, 主ID %3</source>
            <translation>%1 ← set-ID reply: CAN ID %2, master ID %3</translation>
        </message>
        <message>
            <source>扫描探测 → %1 (读 can_br)</source>
            <translation>Scan probe → %1 (reads can_br)</translation>
        </message>
        <message>
            <source>%1 ← 应用版本 %2</source>
            <translation>%1 ← application version %2</translation>
        </message>
        <message>
            <source>开始校准 → %1</source>
            <translation>Start calibration → %1</translation>
        </message>
        <message>
            <source>开始参数辨识</source>
            <translation>Start parameter identification</translation>
        </message>
        <message>
            <source>进入Bootloader请求 → %1</source>
            <translation>Enter-bootloader request → %1</translation>
        </message>
        <message>
            <source>固件包头 → %1: 其后还有 %2 包, 数据 %3 字节</source>
            <translation>Firmware packet head → %1: %2 packets follow, %3 data bytes</translation>
        </message>
        <message>
            <source>固件数据 → %1</source>
            <translation>Firmware data → %1</translation>
        </message>
        <message>
            <source>%1 ← Bootloader应答 “%2”</source>
            <translation>%1 ← bootloader reply “%2”</translation>
        </message>
    </context>
    <context>
        <name>SendingRoads</name>
        <message>
            <source>周期发送电机命令</source>
            <translation>Periodic motor commands</translation>
        </message>
        <message>
            <source>CAN 发送</source>
            <translation>CAN send</translation>
        </message>
        <message>
            <source>适配器重复发送</source>
            <translation>Adapter repetition</translation>
        </message>
        <message>
            <source>回放</source>
            <translation>Replay</translation>
        </message>
        <message>
            <source>串口发送队列</source>
            <translation>Serial send queue</translation>
        </message>
        <message>
            <source>固件升级</source>
            <translation>Firmware upgrade</translation>
        </message>
        <message>
            <source>调参</source>
            <translation>Tuning run</translation>
        </message>
    </context>
    <context>
        <name>SerialTerminal</name>
        <message>
            <source>串口发送队列</source>
            <translation>Serial Send Queue</translation>
        </message>
        <message>
            <source>停止</source>
            <translation>Stop</translation>
        </message>
        <message>
            <source>发送</source>
            <translation>Send</translation>
        </message>
    </context>
    <context>
        <name>SpecialMotorDialog</name>
        <message>
            <source>特殊电机选择</source>
            <translation>Special Motor Selection</translation>
        </message>
        <message>
            <source>常规电机</source>
            <translation>Conventional Motor</translation>
        </message>
        <message>
            <source>X5810轮毂电机</source>
            <translation>X5810 In-wheel Hub Motor</translation>
        </message>
    </context>
    <context>
        <name>SpectrumAnalyzerDialog</name>
        <message>
            <source>质量分析</source>
            <translation>Quality Analysis</translation>
        </message>
        <message>
            <source>质量分析结果</source>
            <translation>Quality Analysis Result</translation>
        </message>
        <message>
            <source>频率 (Hz)</source>
            <translation>Frequency (Hz)</translation>
        </message>
        <message>
            <source>幅度</source>
            <translation>Amplitude</translation>
        </message>
        <message>
            <source>幅度 (dB)</source>
            <translation>Amplitude (dB)</translation>
        </message>
        <message>
            <source>关闭</source>
            <translation>Close</translation>
        </message>
    </context>
    <context>
        <name>SpectrumTableDialog</name>
        <message>
            <source>24Hz幅值</source>
            <translation>24 Hz amplitude</translation>
        </message>
        <message>
            <source>28Hz幅值</source>
            <translation>28 Hz amplitude</translation>
        </message>
        <message>
            <source>正常</source>
            <translation>Normal</translation>
        </message>
        <message>
            <source>异常</source>
            <translation>Abnormal</translation>
        </message>
        <message>
            <source>质量分析表格</source>
            <translation>Quality Analysis Table</translation>
        </message>
        <message>
            <source>指标名称</source>
            <translation>Indicator</translation>
        </message>
        <message>
            <source>指标数值</source>
            <translation>Value</translation>
        </message>
        <message>
            <source>指标范围</source>
            <translation>Limit</translation>
        </message>
        <message>
            <source>状态</source>
            <translation>Status</translation>
        </message>
        <message>
            <source>关闭</source>
            <translation>Close</translation>
        </message>
    </context>
    <context>
        <name>Tuning</name>
        <message>
            <source>缺少名称</source>
            <translation>The name is missing</translation>
        </message>
        <message>
            <source>开始时间无效</source>
            <translation>The start time is not valid</translation>
        </message>
        <message>
            <source>电机ID无效</source>
            <translation>The motor ID is not valid</translation>
        </message>
        <message>
            <source>运行信息无效</source>
            <translation>The run's information is not valid</translation>
        </message>
        <message>
            <source>测试信号无效</source>
            <translation>The test signal is not valid</translation>
        </message>
        <message>
            <source>测试参数 %1 无效</source>
            <translation>Test parameter %1 is not valid</translation>
        </message>
        <message>
            <source>测试参数无效</source>
            <translation>A test parameter is not valid</translation>
        </message>
        <message>
            <source>增益无效</source>
            <translation>The gains are not valid</translation>
        </message>
        <message>
            <source>缺少采样 %1</source>
            <translation>Samples %1 are missing</translation>
        </message>
        <message>
            <source>采样 %1 的个数与时间不符</source>
            <translation>Samples %1 do not match the times in number</translation>
        </message>
        <message>
            <source>采样过多</source>
            <translation>Too many samples</translation>
        </message>
        <message>
            <source>采样 %1 第 %2 个不是有限数</source>
            <translation>Sample %2 of %1 is not a finite number</translation>
        </message>
        <message>
            <source>采样时间第 %1 个倒退</source>
            <translation>Sample time %1 goes back</translation>
        </message>
        <message>
            <source>不是调参文件：%1（第 %2 字节）</source>
            <translation>Not a tuning file: %1 (byte %2)</translation>
        </message>
        <message>
            <source>不是调参文件</source>
            <translation>Not a tuning file</translation>
        </message>
        <message>
            <source>调参文件版本 %1 不受支持</source>
            <translation>Tuning file version %1 is not supported</translation>
        </message>
        <message>
            <source>运行过多</source>
            <translation>Too many runs</translation>
        </message>
        <message>
            <source>第 %1 次运行：%2</source>
            <translation>Run %1: %2</translation>
        </message>
        <message>
            <source>无法打开文件 %1：%2</source>
            <translation>Cannot open the file %1: %2</translation>
        </message>
        <message>
            <source>文件 %1 过大</source>
            <translation>The file %1 is too large</translation>
        </message>
        <message>
            <source>已停止</source>
            <translation>Stopped</translation>
        </message>
        <message>
            <source>电机在测试中离开使能状态：%1</source>
            <translation>The motor left the enabled state during the test: %1</translation>
        </message>
        <message>
            <source>电机未回答寄存器读取（%1）</source>
            <translation>The motor did not answer the register read (%1)</translation>
        </message>
        <message>
            <source>电机对使能无反馈</source>
            <translation>The motor sent no feedback to the enable command</translation>
        </message>
        <message>
            <source>电机未能使能：%1</source>
            <translation>The motor could not be enabled: %1</translation>
        </message>
        <message>
            <source>电机反馈中断</source>
            <translation>The motor's feedback stopped</translation>
        </message>
        <message>
            <source>测试完成</source>
            <translation>Test complete</translation>
        </message>
        <message>
            <source>测试参数必须是数字</source>
            <translation>The test parameters must be numbers</translation>
        </message>
        <message>
            <source>范围 ±%1 %2 无效：请先读取参数</source>
            <translation>The range ±%1 %2 is not valid: read the parameters first</translation>
        </message>
        <message>
            <source>周期 %1 ms 超出范围 %2 … %3 ms（链路所能承载的反馈速率）</source>
            <translation>Period %1 ms is outside %2 … %3 ms (the feedback rate the link carries)</translation>
        </message>
        <message>
            <source>时长 %1 s 超出范围 %2 … %3 s</source>
            <translation>Duration %1 s is outside %2 … %3 s</translation>
        </message>
        <message>
            <source>重复次数 %1 超出范围 1 … %2</source>
            <translation>Repeat count %1 is outside 1 … %2</translation>
        </message>
        <message>
            <source>限速 %1 rad/s 超出范围 (0, %2] rad/s</source>
            <translation>Speed limit %1 rad/s is outside (0, %2] rad/s</translation>
        </message>
        <message>
            <source>阶跃 %1 %2 超出范围：从 %3 %2 起，目标须在 ±%4 %2 之内</source>
            <translation>Step %1 %2 is out of range: from %3 %2 the target must stay within ±%4 %2</translation>
        </message>
        <message>
            <source>扫频幅值 %1 %2 超出范围：从 %3 %2 起，须大于 0 且不超出 ±%4 %2</source>
            <translation>Sweep amplitude %1 %2 is out of range: from %3 %2 it must be above 0 and stay within ±%4 %2</translation>
        </message>
        <message>
            <source>扫频 %1 … %2 Hz 超出范围：%3 … %4 Hz，起始频率须低于终止频率</source>
            <translation>Sweep %1 … %2 Hz is out of range: %3 … %4 Hz, the start frequency below the end frequency</translation>
        </message>
        <message>
            <source>指令未能发送，调参已停止</source>
            <translation>A command could not be sent: tuning stopped</translation>
        </message>
    </context>
    <context>
        <name>TuningWindow</name>
        <message>
            <source>调参</source>
            <translation>Tuning</translation>
        </message>
        <message>
            <source>信号</source>
            <translation>Signal</translation>
        </message>
        <message>
            <source>物理量</source>
            <translation>Quantity</translation>
        </message>
        <message>
            <source>幅值</source>
            <translation>Size</translation>
        </message>
        <message>
            <source>时长 (s)</source>
            <translation>Duration (s)</translation>
        </message>
        <message>
            <source>重复次数</source>
            <translation>Repeats</translation>
        </message>
        <message>
            <source>起始频率 (Hz)</source>
            <translation>From (Hz)</translation>
        </message>
        <message>
            <source>终止频率 (Hz)</source>
            <translation>To (Hz)</translation>
        </message>
        <message>
            <source>限速 (rad/s)</source>
            <translation>Speed limit (rad/s)</translation>
        </message>
        <message>
            <source>周期 (ms)</source>
            <translation>Period (ms)</translation>
        </message>
        <message>
            <source>阶跃</source>
            <translation>Step</translation>
        </message>
        <message>
            <source>正弦扫频</source>
            <translation>Sine sweep</translation>
        </message>
        <message>
            <source>位置</source>
            <translation>Position</translation>
        </message>
        <message>
            <source>速度</source>
            <translation>Velocity</translation>
        </message>
        <message>
            <source>阶跃：从当前值起的变化量（可为负）；扫频：正弦的幅值。须在电机的范围之内</source>
            <translation>Step: the change from the present value (may be negative); sweep: the sine's amplitude. Must stay within the motor's range</translation>
        </message>
        <message>
            <source>阶跃：每一步保持的时间；扫频：一次扫频的大致时长（每个频率至少 4 个周期）</source>
            <translation>Step: how long each step is held; sweep: the rough length of one sweep (at least 4 cycles per frequency)</translation>
        </message>
        <message>
            <source>阶跃：往返的次数；扫频：扫频的次数。图中的数值是各次的平均</source>
            <translation>Step: how many times up and back; sweep: how many sweeps. The figures are the mean over them</translation>
        </message>
        <message>
            <source>位置测试时与每个位置一同发送的限速</source>
            <translation>The speed limit sent with every position in a position test</translation>
        </message>
        <message>
            <source>每个周期发送一条指令、收到一条反馈；最短周期取决于链路的速率</source>
            <translation>One command is sent and one feedback received per period; the shortest period depends on the link's rate</translation>
        </message>
        <message>
            <source>确认后使能电机（如尚未使能）并运行测试；结束后失能，除非电机事先已使能。Esc 停止</source>
            <translation>After confirmation enables the motor (if it is not yet) and runs the test; disables it afterwards unless it was enabled before. Esc stops</translation>
        </message>
        <message>
            <source>保存...</source>
            <translation>Save...</translation>
        </message>
        <message>
            <source>把所有运行（含采样和当时的增益）保存到一个文件</source>
            <translation>Saves every run (samples and the gains of the time) into one file</translation>
        </message>
        <message>
            <source>打开...</source>
            <translation>Open...</translation>
        </message>
        <message>
            <source>打开保存的运行，加入列表</source>
            <translation>Opens saved runs and adds them to the list</translation>
        </message>
        <message>
            <source>导出CSV...</source>
            <translation>Export CSV...</translation>
        </message>
        <message>
            <source>把选中的运行导出为 CSV：时间、指令、位置、速度、扭矩</source>
            <translation>Exports the selected run as CSV: time, command, position, velocity, torque</translation>
        </message>
        <message>
            <source>删除</source>
            <translation>Remove</translation>
        </message>
        <message>
            <source>勾选的运行叠加显示，数值并排比较</source>
            <translation>Checked runs are overlaid, their figures side by side</translation>
        </message>
        <message>
            <source>时间 (s)</source>
            <translation>Time (s)</translation>
        </message>
        <message>
            <source>频率 (Hz)</source>
            <translation>Frequency (Hz)</translation>
        </message>
        <message>
            <source>增益 (dB)</source>
            <translation>Gain (dB)</translation>
        </message>
        <message>
            <source>相位 (°)</source>
            <translation>Phase (°)</translation>
        </message>
        <message>
            <source>停止</source>
            <translation>Stop</translation>
        </message>
        <message>
            <source>开始</source>
            <translation>Start</translation>
        </message>
        <message>
            <source>%1阶跃 %2 %3，保持 %4 s 后返回，共 %5 次，约 %6 s</source>
            <translation>%1 step %2 %3, held %4 s and back, %5 times, about %6 s</translation>
        </message>
        <message>
            <source>%1正弦扫频 ±%2 %3，%4 … %5 Hz，共 %6 次，约 %7 s</source>
            <translation>%1 sine sweep ±%2 %3, %4 … %5 Hz, %6 times, about %7 s</translation>
        </message>
        <message>
            <source>电机 0x%1 将运动：%2。
%3
确定开始吗？</source>
            <translation>Motor 0x%1 will move: %2.
%3
Start now?</translation>
        </message>
        <message>
            <source>电机已使能，测试后保持使能。</source>
            <translation>The motor is enabled and stays enabled after the test.</translation>
        </message>
        <message>
            <source>测试前使能电机，测试后失能。</source>
            <translation>The motor is enabled for the test and disabled afterwards.</translation>
        </message>
        <message>
            <source>开始调参</source>
            <translation>Start tuning</translation>
        </message>
        <message>
            <source>运行中：%1</source>
            <translation>Running: %1</translation>
        </message>
        <message>
            <source>（%1 条反馈丢失）</source>
            <translation> (%1 feedback frames lost)</translation>
        </message>
        <message>
            <source>（未完成）</source>
            <translation> (incomplete)</translation>
        </message>
        <message>
            <source>当前</source>
            <translation>Current</translation>
        </message>
        <message>
            <source> 指令</source>
            <translation> command</translation>
        </message>
        <message>
            <source>位置 (rad)</source>
            <translation>Position (rad)</translation>
        </message>
        <message>
            <source>速度 (rad/s)</source>
            <translation>Velocity (rad/s)</translation>
        </message>
        <message>
            <source> 增益</source>
            <translation> gain</translation>
        </message>
        <message>
            <source> 相位</source>
            <translation> phase</translation>
        </message>
        <message>
            <source>电机</source>
            <translation>Motor</translation>
        </message>
        <message>
            <source>测试</source>
            <translation>Test</translation>
        </message>
        <message>
            <source>−3 dB 带宽 (Hz)</source>
            <translation>−3 dB bandwidth (Hz)</translation>
        </message>
        <message>
            <source>低频增益 (dB)</source>
            <translation>Low-frequency gain (dB)</translation>
        </message>
        <message>
            <source>上升时间 10–90% (ms)</source>
            <translation>Rise time 10–90% (ms)</translation>
        </message>
        <message>
            <source>超调 (%)</source>
            <translation>Overshoot (%)</translation>
        </message>
        <message>
            <source>调节时间 2% (ms)</source>
            <translation>Settling time 2% (ms)</translation>
        </message>
        <message>
            <source>稳态误差</source>
            <translation>Steady-state error</translation>
        </message>
        <message>
            <source>峰值扭矩 (N·m)</source>
            <translation>Peak torque (N·m)</translation>
        </message>
        <message>
            <source>丢失反馈</source>
            <translation>Feedback lost</translation>
        </message>
        <message>
            <source>%1阶跃 %2 %3</source>
            <translation>%1 step %2 %3</translation>
        </message>
        <message>
            <source>%1扫频 ±%2 %3</source>
            <translation>%1 sweep ±%2 %3</translation>
        </message>
        <message>
            <source>错误</source>
            <translation>Error</translation>
        </message>
        <message>
            <source>无法保存 %1：%2</source>
            <translation>Cannot save %1: %2</translation>
        </message>
        <message>
            <source>已保存 %1 次运行到 %2</source>
            <translation>Saved %1 runs to %2</translation>
        </message>
        <message>
            <source>无法打开 %1：%2</source>
            <translation>Cannot open %1: %2</translation>
        </message>
        <message>
            <source>已打开 %1 次运行</source>
            <translation>Opened %1 runs</translation>
        </message>
        <message>
            <source>还没有运行可保存</source>
            <translation>There is no run to save yet</translation>
        </message>
        <message>
            <source>保存调参记录</source>
            <translation>Save tuning runs</translation>
        </message>
        <message>
            <source>调参记录 (*.zktune)</source>
            <translation>Tuning runs (*.zktune)</translation>
        </message>
        <message>
            <source>打开调参记录</source>
            <translation>Open tuning runs</translation>
        </message>
        <message>
            <source>请先在列表中选中一次运行</source>
            <translation>Select a run in the list first</translation>
        </message>
        <message>
            <source>导出CSV</source>
            <translation>Export CSV</translation>
        </message>
        <message>
            <source>CSV 文件 (*.csv)</source>
            <translation>CSV files (*.csv)</translation>
        </message>
        <message>
            <source>已导出 %1</source>
            <translation>Exported %1</translation>
        </message>
    </context>
    <context>
        <name>WaveForm</name>
        <message>
            <source>X轴自动缩放</source>
            <translation>X-axis auto-scale</translation>
        </message>
        <message>
            <source>Y轴自动缩放</source>
            <translation>Y-axis auto-scale</translation>
        </message>
        <message>
            <source>自动缩放</source>
            <translation>Auto-scale</translation>
        </message>
        <message>
            <source>矩形选取框放大</source>
            <translation>Rectangle selection zoom</translation>
        </message>
        <message>
            <source>保存波形原始数据</source>
            <translation>Save original waveForm data</translation>
        </message>
        <message>
            <source>警告</source>
            <translation>Warning</translation>
        </message>
        <message>
            <source>没有波形数据可显示</source>
            <translation>No waveform data to display</translation>
        </message>
        <message>
            <source>没有有效的波形数据可显示</source>
            <translation>No valid waveform data to display</translation>
        </message>
        <message>
            <source>记录时间 (s)</source>
            <translation>Recording time (s)</translation>
        </message>
    </context>
    <context>
        <name>WaveSaveDialog</name>
        <message>
            <source>保存波形原始数据</source>
            <translation>Save original waveForm data</translation>
        </message>
        <message>
            <source>保存路径:</source>
            <translation>Save path:</translation>
        </message>
        <message>
            <source>浏览...</source>
            <translation>Browse...</translation>
        </message>
        <message>
            <source>左边界: 0</source>
            <translation>Left bound: 0</translation>
        </message>
        <message>
            <source>右边界: %1</source>
            <translation>Right bound: %1</translation>
        </message>
        <message>
            <source>左边界: %1</source>
            <translation>Left bound: %1</translation>
        </message>
        <message>
            <source>保存波形数据</source>
            <translation>Save waveform data</translation>
        </message>
        <message>
            <source>CSV文件 (*.csv);;所有文件 (*)</source>
            <translation>CSV files (*.csv);;All files (*)</translation>
        </message>
        <message>
            <source>警告</source>
            <translation>Warning</translation>
        </message>
        <message>
            <source>请选择保存路径</source>
            <translation>Please choose a save path</translation>
        </message>
        <message>
            <source>请选择有效的波形区域</source>
            <translation>Please select a valid waveform range</translation>
        </message>
        <message>
            <source>保存失败</source>
            <translation>Save failed</translation>
        </message>
        <message>
            <source>无法打开文件：%1</source>
            <translation>Cannot open file: %1</translation>
        </message>
        <message>
            <source>保存成功</source>
            <translation>Saved successfully</translation>
        </message>
        <message>
            <source>波形数据已保存为CSV文件：
%1</source>
            <translation>Waveform data saved as CSV file:
%1</translation>
        </message>
        <message>
            <source>写入文件失败，原文件保持不变：%1</source>
            <translation>Writing the file failed; the previous file is unchanged: %1</translation>
        </message>
    </context>
    <context>
        <name>ZKChat</name>
        <message>
            <source>Zeka智能chat</source>
            <translation>Zeka Smart Chat</translation>
        </message>
        <message>
            <source>对话内容将显示在这里...</source>
            <translation>The conversation will appear here...</translation>
        </message>
        <message>
            <source>输入消息...</source>
            <translation>Type a message...</translation>
        </message>
        <message>
            <source>发送</source>
            <translation>Send</translation>
        </message>
        <message>
            <source>我:</source>
            <translation>You:</translation>
        </message>
        <message>
            <source>错误: Python进程未运行!</source>
            <translation>Error: the assistant process is not running!</translation>
        </message>
        <message>
            <source>…（回答过长，其余部分未显示）</source>
            <translation>… (answer too long, the rest is not shown)</translation>
        </message>
    </context>
<context>
    <name>CommissionDialog</name>
    <message>
        <source>下一台电机</source>
        <translation>Next motor</translation>
    </message>
    <message>
        <source>总线上每次只接入一台新电机：逐步执行，每一步可跳过；出错即停止。完成后接入下一台，点“下一台电机”。</source>
        <translation>Connect one new motor at a time to the bus: run the steps one by one, skip any of them; the first failure stops. When done, connect the next motor and press &quot;Next motor&quot;.</translation>
    </message>
    <message>
        <source>第一台电机的 CAN ID（十六进制）；每台电机设ID后加一</source>
        <translation>CAN ID of the first motor (hexadecimal); it counts up by one for each motor that gets its IDs</translation>
    </message>
    <message>
        <source>第一台电机的主机ID（十六进制）；每台电机设ID后加一</source>
        <translation>Master ID of the first motor (hexadecimal); it counts up by one for each motor that gets its IDs</translation>
    </message>
    <message>
        <source>要写入每台电机的参数文件；写入前显示与电机当前值的差异</source>
        <translation>Parameter file to write to every motor; what differs from the motor&apos;s values is shown before writing</translation>
    </message>
    <message>
        <source>选择…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>报告（HTML 与 PDF）保存的文件夹</source>
        <translation>Folder the reports (HTML and PDF) are saved in</translation>
    </message>
    <message>
        <source>起始 CAN ID:</source>
        <translation>Start CAN ID:</translation>
    </message>
    <message>
        <source>起始主机ID:</source>
        <translation>Start master ID:</translation>
    </message>
    <message>
        <source>参数文件:</source>
        <translation>Parameter file:</translation>
    </message>
    <message>
        <source>报告文件夹:</source>
        <translation>Report folder:</translation>
    </message>
    <message>
        <source>备注:</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>步骤</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>执行本步</source>
        <translation>Run step</translation>
    </message>
    <message>
        <source>跳过本步</source>
        <translation>Skip step</translation>
    </message>
    <message>
        <source>接入下一台电机后点此，从扫描重新开始；ID 自动加一</source>
        <translation>Press after connecting the next motor: starts again from the scan; the IDs count up</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>选择文本文件</source>
        <translation>Select Text File</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>起始 ID 须为 00~FF 的十六进制数: %1</source>
        <translation>A start ID must be a hexadecimal number 00 to FF: %1</translation>
    </message>
    <message>
        <source>未选择参数文件</source>
        <translation>No parameter file chosen</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>已跳过</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>已停止：%1</source>
        <translation>Stopped: %1</translation>
    </message>
    <message>
        <source>本台电机完成。接入下一台电机后点“下一台电机”。</source>
        <translation>This motor is done. Connect the next motor and press &quot;Next motor&quot;.</translation>
    </message>
    <message>
        <source>当前电机将设为 CAN ID / 主机ID %1</source>
        <translation>This motor gets CAN ID / master ID %1</translation>
    </message>
</context>
<context>
    <name>CommissionSequence</name>
    <message>
        <source>扫描新电机</source>
        <translation>Scan for the new motor</translation>
    </message>
    <message>
        <source>设ID</source>
        <translation>Set ID</translation>
    </message>
    <message>
        <source>写参数（先对比）</source>
        <translation>Write parameters (diff first)</translation>
    </message>
    <message>
        <source>保存参数</source>
        <translation>Save parameters</translation>
    </message>
    <message>
        <source>校准</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <source>质量分析</source>
        <translation>Quality analysis</translation>
    </message>
    <message>
        <source>生成报告</source>
        <translation>Report</translation>
    </message>
</context>
<context>
    <name>MotorReport</name>
    <message>
        <source>未读取</source>
        <translation>not read</translation>
    </message>
    <message>
        <source>电机调试记录</source>
        <translation>Commissioning record of motor</translation>
    </message>
    <message>
        <source>日期时间</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>工具版本</source>
        <translation>Tool version</translation>
    </message>
    <message>
        <source>操作说明</source>
        <translation>Operator note</translation>
    </message>
    <message>
        <source>CAN ID</source>
        <translation>CAN ID</translation>
    </message>
    <message>
        <source>主机ID</source>
        <translation>Master ID</translation>
    </message>
    <message>
        <source>CAN波特率</source>
        <translation>CAN bit rate</translation>
    </message>
    <message>
        <source>应用版本</source>
        <translation>Application version</translation>
    </message>
    <message>
        <source>引导版本</source>
        <translation>Bootloader version</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>未读取参数</source>
        <translation>Parameters not read</translation>
    </message>
    <message>
        <source>寄存器</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>与参数文件的差异</source>
        <translation>Differences from the parameter file</translation>
    </message>
    <message>
        <source>没有差异</source>
        <translation>No differences</translation>
    </message>
    <message>
        <source>电机的值</source>
        <translation>Motor&apos;s value</translation>
    </message>
    <message>
        <source>文件的值</source>
        <translation>File&apos;s value</translation>
    </message>
    <message>
        <source>本次未进行</source>
        <translation>Not done in this session</translation>
    </message>
    <message>
        <source>编码器校准</source>
        <translation>Encoder calibration</translation>
    </message>
    <message>
        <source>补偿前最大误差</source>
        <translation>Largest error before compensation</translation>
    </message>
    <message>
        <source>补偿后最大误差</source>
        <translation>Largest error after compensation</translation>
    </message>
    <message>
        <source>质量分析</source>
        <translation>Quality analysis</translation>
    </message>
    <message>
        <source>24 Hz 幅值</source>
        <translation>Amplitude at 24 Hz</translation>
    </message>
    <message>
        <source>28 Hz 幅值</source>
        <translation>Amplitude at 28 Hz</translation>
    </message>
    <message>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>异常</source>
        <translation>Abnormal</translation>
    </message>
    <message>
        <source>参数标定</source>
        <translation>Parameter identification</translation>
    </message>
    <message>
        <source>启动以来的故障</source>
        <translation>Faults seen since start-up</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>报告文件夹不存在: %1</source>
        <translation>The report folder does not exist: %1</translation>
    </message>
    <message>
        <source>无法写入文件: %1</source>
        <translation>Cannot write the file: %1</translation>
    </message>
</context>
<context>
    <name>MotorsPanel</name>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>扫描总线上的电机（ID 0x00~0x7F），并读取每台电机的版本</source>
        <translation>Scan the bus for motors (IDs 0x00 to 0x7F) and read each motor&apos;s versions</translation>
    </message>
    <message>
        <source>生成报告</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>为当前电机生成调试记录（HTML 与 PDF）</source>
        <translation>Write the current motor&apos;s commissioning record (HTML and PDF)</translation>
    </message>
    <message>
        <source>下一台电机…</source>
        <translation>Next motor…</translation>
    </message>
    <message>
        <source>逐步调试一台新接入的电机：扫描、设ID、写参数、保存、校准、质量分析、报告</source>
        <translation>Commission a newly connected motor step by step: scan, Set ID, write parameters, save, calibrate, quality analysis, report</translation>
    </message>
    <message>
        <source>备注:</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>写入报告的操作说明</source>
        <translation>The operator&apos;s note written into the report</translation>
    </message>
    <message>
        <source>CAN ID</source>
        <translation>CAN ID</translation>
    </message>
    <message>
        <source>主机ID</source>
        <translation>Master ID</translation>
    </message>
    <message>
        <source>CAN波特率</source>
        <translation>CAN bit rate</translation>
    </message>
    <message>
        <source>应用版本</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>引导版本</source>
        <translation>Bootloader</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>电机温度</source>
        <translation>Motor temp.</translation>
    </message>
    <message>
        <source>驱动温度</source>
        <translation>Driver temp.</translation>
    </message>
    <message>
        <source>故障/冲突</source>
        <translation>Fault / conflict</translation>
    </message>
    <message>
        <source>冲突：%1</source>
        <translation>Conflict: %1</translation>
    </message>
    <message>
        <source>选择文本文件</source>
        <translation>Select Text File</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>对比文件:</source>
        <translation>Compare with:</translation>
    </message>
    <message>
        <source>最近写入或导入的参数文件</source>
        <translation>the parameter file last written or imported</translation>
    </message>
    <message>
        <source>报告列出电机的值与此参数文件的差异；留空则用最近写入或导入的文件</source>
        <translation>The report lists where the motor differs from this parameter file; empty: the file last written or imported</translation>
    </message>
    <message>
        <source>选择参数文件</source>
        <translation>Select a parameter file</translation>
    </message>
</context>
<context>
    <name>ParamDiffDialog</name>
    <message>
        <source>写入前对比</source>
        <translation>Before writing</translation>
    </message>
    <message>
        <source>寄存器</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>电机的值</source>
        <translation>Motor&apos;s value</translation>
    </message>
    <message>
        <source>新值</source>
        <translation>New value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>取消勾选的行保留电机的值，不写入</source>
        <translation>An unticked row keeps the motor&apos;s value; it is not written</translation>
    </message>
    <message>
        <source>写入勾选的参数</source>
        <translation>Write the ticked parameters</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
    <context>
        <name>FactsDialog</name>
        <message>
            <source>确认</source>
            <translation>Confirm</translation>
        </message>
        <message>
            <source>取消</source>
            <translation>Cancel</translation>
        </message>
    </context>
</TS>
