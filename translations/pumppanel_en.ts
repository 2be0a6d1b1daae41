<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AlarmBanner</name>
    <message>
        <source>报警栏</source>
        <translation>Alarm bar</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acknowledge</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>详情</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>（已消除，请确认）</source>
        <translation> (cleared, please acknowledge)</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>。压力回到限值以内后才能复位</source>
        <translation>. Reset only when pressure is back within limits</translation>
    </message>
    <message>
        <source>另有 %1 条</source>
        <translation>%1 more</translation>
    </message>
    <message>
        <source>。</source>
        <translation>. </translation>
    </message>
</context>
<context>
    <name>AlarmList</name>
    <message>
        <source>高</source>
        <translation>High</translation>
    </message>
    <message>
        <source>中</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>低</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>报警中，未确认</source>
        <translation>Active, unacknowledged</translation>
    </message>
    <message>
        <source>报警中，已确认</source>
        <translation>Active, acknowledged</translation>
    </message>
    <message>
        <source>已消除，未确认</source>
        <translation>Cleared, unacknowledged</translation>
    </message>
    <message>
        <source>已结束</source>
        <translation>Ended</translation>
    </message>
</context>
<context>
    <name>AlarmWatch</name>
    <message>
        <source>运行记录无法写入文件夹 %1（%2），记录暂时保留在程序中</source>
        <translation>Run log cannot be written to folder %1 (%2); rows are kept in memory for now</translation>
    </message>
    <message>
        <source>，设定流量 %1 ml/min</source>
        <translation>, set flow %1 ml/min</translation>
    </message>
    <message>
        <source>上次运行没有正常结束：%1，最后一行 %2%3，当时泵可能在运行</source>
        <translation>Last run did not end normally: %1, last row at %2%3; the pump may have been running</translation>
    </message>
    <message>
        <source>泵可能仍在运行</source>
        <translation>pump may still be running</translation>
    </message>
    <message>
        <source>泵可能仍在运行（设定流量 %1 ml/min）</source>
        <translation>pump may still be running (set flow %1 ml/min)</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>泵无应答：串口 %1 已打开，但泵 %2 秒没有应答%3</source>
        <translation>Pump not responding: port %1 is open, but no reply for %2 s%3</translation>
    </message>
    <message>
        <source>与泵的连接已断开：串口 %1，正在自动重新连接%2</source>
        <translation>Link to pump lost: port %1, reconnecting automatically%2</translation>
    </message>
    <message>
        <source>停止命令未送达：</source>
        <translation>Stop command not delivered: </translation>
    </message>
    <message>
        <source>。停止命令是发给串口 %1 的，不会发往现在打开的串口 %2；确认后不再等待发送</source>
        <translation>. The stop command was for port %1 and is not sent to port %2, now open; after acknowledgement it is no longer kept for sending</translation>
    </message>
    <message>
        <source>。自 %1 起未送达，串口再次打开时立即发送</source>
        <translation>. Not delivered since %1; sent as soon as the port is open again</translation>
    </message>
    <message>
        <source>设定未被泵确认：</source>
        <translation>Setpoint not confirmed by pump: </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>泵运行中</source>
        <translation>Pump running</translation>
    </message>
    <message>
        <source>无法阻止计算机休眠：这台计算机没有这项功能</source>
        <translation>Cannot prevent computer sleep: not supported on this computer</translation>
    </message>
    <message>
        <source>。计算机休眠后面板不再轮询和记录，请在系统设置中关闭运行期间的自动休眠</source>
        <translation>. While the computer sleeps, the panel does not poll or log; turn off automatic sleep during runs in the system settings</translation>
    </message>
</context>
<context>
    <name>AlarmWindow</name>
    <message>
        <source>报警</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>报警列表</source>
        <translation>Alarm list</translation>
    </message>
    <message>
        <source>优先级</source>
        <translation>Priority</translation>
    </message>
    <message>
        <source>发生</source>
        <translation>Raised</translation>
    </message>
    <message>
        <source>消除</source>
        <translation>Cleared</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Acked</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>确认所选</source>
        <translation>Ack selected</translation>
    </message>
    <message>
        <source>全部确认</source>
        <translation>Ack all</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>压力回到限值以内后才能复位</source>
        <translation>Reset only when pressure is back within limits</translation>
    </message>
    <message>
        <source>本次运行的消息</source>
        <translation>Messages since program start</translation>
    </message>
    <message>
        <source>，可复位</source>
        <translation>, can be reset</translation>
    </message>
    <message>
        <source>，待复位</source>
        <translation>, not yet resettable</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>用法：pumppanel [选项]

泵控制面板。不带选项时打开面板窗口。

选项：
  --verify-log 文件或文件夹…
                      检查运行记录文件的 chain。文件夹代表其中所有的 .csv 文件。
                      每一行被改动、插入、删除或调换位置，都会被发现：指出第一个不符的行，
                      退出码 1。文件末尾被截掉、或程序没有正常结束（没有结束行），
                      退出码 3。完好并有结束行，或正在被运行中的面板写入时输出
                      &quot;OK: N rows, from … to …&quot;，退出码 0。不是运行记录或无法读取，退出码 2。
                      午夜后接续的文件，检查它接续的文件存在并以它所带的 chain 结束；
                      检查多个文件时，缺少的文件算作不符（退出码 1）。
                      多个文件的退出码取最严重的：1，然后 2，然后 3，然后 0。
                      整个文件连同 chain 被重新计算后改写，无法发现（chain 没有密钥）：
                      打印在运行报告上、与文件分开保存的最后一行 chain，才把文件和纸面对应起来。
  --language en|zh_CN 面板的语言：en 英文，zh_CN 简体中文。不带此选项时用面板设置中选定
                      的语言（状态栏的“语言”），未选定时是简体中文，与系统的语言无关。
  -h, --help          显示本帮助。
  -v, --version       显示版本。

运行记录保存在 %1。
</source>
        <translation>Usage: pumppanel [options]

Pump control panel. Without options, opens the panel window.

Options:
  --verify-log file or folder…
                      Checks the chain of run log files; a folder means all its .csv files.
                      Any row changed, inserted, deleted or moved is found: the first mismatch is
                      named, exit code 1. File end cut off, or abnormal program end (no end row):
                      exit code 3. Not a run log or unreadable: exit code 2. Intact with end row,
                      or being written by a running panel: &quot;OK: N rows, from … to …&quot;, exit code 0.
                      File continued after midnight: checks that the file it continues exists and
                      ends with the chain it carries; for several files, a missing one is a mismatch
                      (exit code 1). Several files: the most severe exit code, in order 1, 2, 3, 0.
                      Not found: whole file rewritten, chain recomputed (chain has no key). Only the
                      last row&apos;s chain on the printed run report, kept apart, ties file to paper.
  --language en|zh_CN Panel language: en English, zh_CN Simplified Chinese. Default: the language
                      set with &quot;Language&quot; in the status bar, else zh_CN; never the system language.
  -h, --help          Shows this help.
  -v, --version       Shows the version.

Run logs are kept in %1.
</translation>
    </message>
    <message>
        <source>无法读取 %1：%2
</source>
        <translation>Cannot read %1: %2
</translation>
    </message>
    <message>
        <source>%1 不是运行记录文件：%2。
</source>
        <translation>%1 is not a run log file: %2.
</translation>
    </message>
    <message>
        <source>第 %1 行（time %2）的 chain 不符：这一行或它之前的行被改动、删除、插入或调换过。此前的 %3 行完好。
</source>
        <translation>Chain mismatch at row %1 (time %2): this row or an earlier one was changed, deleted, inserted or moved. The %3 rows before it are intact.
</translation>
    </message>
    <message>
        <source>；正在写入：运行中的面板还在记录这个文件，结束行尚未写出。
</source>
        <translation>; being written: a running panel is still logging to this file, end row not yet written.
</translation>
    </message>
    <message>
        <source>没有结束行：程序异常结束，或末尾的行被删除（%1 完好）。
</source>
        <translation>No end row: program ended abnormally, or the last rows were deleted (%1 intact).
</translation>
    </message>
    <message>
        <source>文件末尾有一行没有写完（程序在写入时中断），未计入。
</source>
        <translation>Last row of the file is incomplete (program interrupted while writing); not counted.
</translation>
    </message>
    <message>
        <source>接续的文件 %1 不存在：运行中的一个文件缺少。
</source>
        <translation>Preceding file %1 does not exist: a file of the run is missing.
</translation>
    </message>
    <message>
        <source>接续的文件 %1 不在同一文件夹，未核对。
</source>
        <translation>Preceding file %1 is not in the same folder; not checked.
</translation>
    </message>
    <message>
        <source>接续的文件 %1 的最后一行 chain 与这个文件第一行所带的不符：那个文件被改动、截短或换掉过。
</source>
        <translation>The last-row chain of preceding file %1 does not match the one carried in this file&apos;s first row: that file was changed, shortened or replaced.
</translation>
    </message>
    <message>
        <source>接续 %1，chain 相符。
</source>
        <translation>Continues %1, chain matches.
</translation>
    </message>
    <message>
        <source>%1 中没有运行记录文件（*.csv）。
</source>
        <translation>No run log files (*.csv) in %1.
</translation>
    </message>
    <message>
        <source>--verify-log 需要一个文件名。
</source>
        <translation>--verify-log needs a file name.
</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>当前压力</source>
        <translation>Pressure</translation>
    </message>
    <message>
        <source>设定压力</source>
        <translation>Set pres</translation>
    </message>
    <message>
        <source>设定流量</source>
        <translation>Set flow</translation>
    </message>
    <message>
        <source>时</source>
        <translation>h</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>报警</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>运行记录</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>保护</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>保护设定：</source>
        <translation>Protection settings: </translation>
    </message>
    <message>
        <source>程序第 %1 步晚了 %2 秒开始</source>
        <translation>Program step %1 started %2 s late</translation>
    </message>
    <message>
        <source>程序第 %1 步</source>
        <translation>program step %1</translation>
    </message>
    <message>
        <source>程序结束</source>
        <translation>program ended</translation>
    </message>
    <message>
        <source>程序正在运行，定时运行不能开始。请先在“程序”窗口停止程序。</source>
        <translation>A program is running: the timed run cannot start. Stop the program in the &quot;Program&quot; window first.</translation>
    </message>
    <message>
        <source>程序</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>第 %1/%2 步 %3，本步剩 %4，全部剩 %5</source>
        <translation>Step %1/%2 %3, %4 left in the step, %5 in all</translation>
    </message>
    <message>
        <source>程序：定时步骤的序列</source>
        <translation>Program: a sequence of timed steps</translation>
    </message>
    <message>
        <source>定时运行正在计时，程序不能开始。请先结束定时运行。</source>
        <translation>A timed run is counting: the program cannot start. End the timed run first.</translation>
    </message>
    <message>
        <source>程序开始：</source>
        <translation>Program start: </translation>
    </message>
    <message>
        <source>停止泵。F12 在面板的每个窗口中都能停止泵，不需要鼠标，也不再询问。</source>
        <translation>Stops the pump. F12 stops the pump from every window of the panel, without the mouse and without asking.</translation>
    </message>
    <message>
        <source>文件(F)</source>
        <translation>File</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>定时(T)</source>
        <translation>Timer</translation>
    </message>
    <message>
        <source>设定</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operate</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>End</translation>
    </message>
    <message>
        <source>泵(O)</source>
        <translation>Pump</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>设定(S)</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>流量</source>
        <translation>Flow</translation>
    </message>
    <message>
        <source>压力</source>
        <translation>Pressure</translation>
    </message>
    <message>
        <source>泵编号</source>
        <translation>Pump number</translation>
    </message>
    <message>
        <source>通信</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>右键</source>
        <translation>Context</translation>
    </message>
    <message>
        <source>帮助(H)</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>串口已关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>串口已关闭：%1</source>
        <translation>Port closed: %1</translation>
    </message>
    <message>
        <source>通信：%1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>存储数据</source>
        <translation>Store data</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>面板的语言，下次启动时生效</source>
        <translation>The panel&apos;s language, from its next start</translation>
    </message>
    <message>
        <source>这个面板没有设置文件</source>
        <translation>this panel has no settings file</translation>
    </message>
    <message>
        <source>语言设置没有保存：%1。</source>
        <translation>The language was not saved: %1.</translation>
    </message>
    <message>
        <source>面板的语言设为 %1，下次启动面板时生效。<byte value="xd"/>
命令行选项 --language 优先于这个设置。</source>
        <translation>The panel&apos;s language is set to %1. It takes effect the next time the panel starts.<byte value="xd"/>
The command-line option --language takes precedence over this setting.</translation>
    </message>
</context>
<context>
    <name>HistoryPlot</name>
    <message>
        <source>%1  压力 %2 MPa  设定压力 %3 MPa  设定流量 %4 ml/min  %5</source>
        <translation>%1  Pressure %2 MPa  Set pressure %3 MPa  Set flow %4 ml/min  %5</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>运行记录</source>
        <translation>Run log</translation>
    </message>
    <message>
        <source>打开…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>跟随</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>导出 CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>导出可见范围</source>
        <translation>Export visible range</translation>
    </message>
    <message>
        <source>导出 PNG…</source>
        <translation>Export PNG…</translation>
    </message>
    <message>
        <source>导出图</source>
        <translation>Export plot</translation>
    </message>
    <message>
        <source>导出 SVG…</source>
        <translation>Export SVG…</translation>
    </message>
    <message>
        <source>运行报告 PDF…</source>
        <translation>Run report PDF…</translation>
    </message>
    <message>
        <source>运行报告</source>
        <translation>Run report</translation>
    </message>
    <message>
        <source>打印报告…</source>
        <translation>Print report…</translation>
    </message>
    <message>
        <source>导出结束</source>
        <translation>End of export</translation>
    </message>
    <message>
        <source>无法写入 %1</source>
        <translation>Cannot write %1</translation>
    </message>
    <message>
        <source>泵运行报告</source>
        <translation>Pump run report</translation>
    </message>
    <message>
        <source>打开运行记录</source>
        <translation>Open run log</translation>
    </message>
    <message>
        <source>运行记录 (*.csv)</source>
        <translation>Run logs (*.csv)</translation>
    </message>
    <message>
        <source>%1 不是可以读取的运行记录文件。</source>
        <translation>%1 is not a readable run log file.</translation>
    </message>
    <message>
        <source>无法保存 %1：%2</source>
        <translation>Cannot save %1: %2</translation>
    </message>
    <message>
        <source>没有运行记录：打开串口后开始记录，或用“打开…”选择以前的记录</source>
        <translation>No run log: logging starts when the serial port is opened, or use &quot;Open…&quot; to choose an earlier log</translation>
    </message>
    <message>
        <source>%1 至 %2（%3 个文件）</source>
        <translation>%1 to %2 (%3 files)</translation>
    </message>
    <message>
        <source>%1%2%3 · %4 行 · 显示 %5 至 %6</source>
        <translation>%1 %2%3 · %4 rows · showing %5 to %6</translation>
    </message>
    <message>
        <source>（实时）</source>
        <translation>(live)</translation>
    </message>
    <message>
        <source> · %1 个文件缺少或不符</source>
        <translation> · missing or mismatched files: %1</translation>
    </message>
</context>
<context>
    <name>KeepAwake</name>
    <message>
        <source>无法阻止计算机休眠：登录管理器 logind：%1；屏幕保护程序：%2</source>
        <translation>Cannot prevent computer sleep: login manager logind: %1; screen saver: %2</translation>
    </message>
    <message>
        <source>回复中没有文件描述符（签名 %1）</source>
        <translation>No file descriptor in the reply (signature %1)</translation>
    </message>
    <message>
        <source>回复中没有 cookie（签名 %1）</source>
        <translation>No cookie in the reply (signature %1)</translation>
    </message>
    <message>
        <source>无法阻止计算机休眠：电源请求：%1；线程执行状态：%2</source>
        <translation>Cannot prevent computer sleep: power request: %1; thread execution state: %2</translation>
    </message>
    <message>
        <source>SetThreadExecutionState 未被接受</source>
        <translation>SetThreadExecutionState not accepted</translation>
    </message>
</context>
<context>
    <name>KeypadEntry</name>
    <message>
        <source>流量设定错误</source>
        <translation>Flow setpoint out of range</translation>
    </message>
    <message>
        <source>压力设定错误</source>
        <translation>Pressure setpoint out of range</translation>
    </message>
    <message>
        <source>键盘 %1 %2</source>
        <translation>Keypad %1 %2</translation>
    </message>
    <message>
        <source>流量</source>
        <translation>flow</translation>
    </message>
    <message>
        <source>压力</source>
        <translation>pressure</translation>
    </message>
    <message>
        <source>设定错误</source>
        <translation>Setpoint error</translation>
    </message>
</context>
<context>
    <name>Languages</name>
    <message>
        <source>--language 需要一个语言：en 或 zh_CN。</source>
        <translation>--language needs a language: en or zh_CN.</translation>
    </message>
    <message>
        <source>--language %1：面板只有 en（英文）和 zh_CN（简体中文）。</source>
        <translation>--language %1: the panel speaks only en (English) and zh_CN (Simplified Chinese).</translation>
    </message>
</context>
<context>
    <name>Limits</name>
    <message>
        <source>关</source>
        <translation>off</translation>
    </message>
    <message>
        <source>上限 %1，下限 %2，下限生效延时 %3 秒，跳闸时%4暂停定时运行</source>
        <translation>High limit %1, low limit %2, low-limit delay %3 s, pause timed run on trip%4</translation>
    </message>
    <message>
        <source>不</source>
        <translation>: no</translation>
    </message>
    <message>
        <source>%1最多两位小数（步长 0.01 MPa）</source>
        <translation>%1: at most two decimal places (step 0.01 MPa)</translation>
    </message>
    <message>
        <source>%1须是一个数，例如 %2；留空为关</source>
        <translation>%1 must be a number, e.g. %2; leave empty for off</translation>
    </message>
    <message>
        <source>压力上限</source>
        <translation>High pressure limit</translation>
    </message>
    <message>
        <source>压力上限须在 0.05 到 2.50 MPa 之间</source>
        <translation>High pressure limit must be between 0.05 and 2.50 MPa</translation>
    </message>
    <message>
        <source>压力下限</source>
        <translation>Low pressure limit</translation>
    </message>
    <message>
        <source>压力下限须比压力上限至少低 0.05 MPa（最多 %1 MPa）</source>
        <translation>Low pressure limit must be at least 0.05 MPa below the high pressure limit (at most %1 MPa)</translation>
    </message>
    <message>
        <source>压力下限最多 %1 MPa</source>
        <translation>Low pressure limit must be at most %1 MPa</translation>
    </message>
    <message>
        <source>下限生效延时须是 0 到 600 之间的整秒数</source>
        <translation>Low-limit delay must be a whole number of seconds from 0 to 600</translation>
    </message>
    <message>
        <source>下限生效延时最长 600 秒</source>
        <translation>Low-limit delay must be at most 600 s</translation>
    </message>
</context>
<context>
    <name>LinkWatch</name>
    <message>
        <source>连接状态</source>
        <translation>Link status</translation>
    </message>
    <message>
        <source> · 设定未确认</source>
        <translation> · setpoint unconfirmed</translation>
    </message>
    <message>
        <source> · </source>
        <translation> · </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>串口号设定错误!<byte value="xd"/>
“%1”不是有效的串口号。请输入 1 到 32767 的串口号，或设备名（如 /dev/ttyUSB0、COM3）。</source>
        <translation>Invalid port number!<byte value="xd"/>
&quot;%1&quot; is not a valid port number. Enter a port number from 1 to 32767, or a device name (such as /dev/ttyUSB0 or COM3).</translation>
    </message>
    <message>
        <source>串口 %1 不接受通信参数 9600,n,8,1，没有使用该串口。</source>
        <translation>Port %1 does not accept the settings 9600,n,8,1; the port was not used.</translation>
    </message>
    <message>
        <source>串口不存在</source>
        <translation>no such port</translation>
    </message>
    <message>
        <source>串口已被其他程序占用</source>
        <translation>port in use by another program</translation>
    </message>
    <message>
        <source>没有使用该串口的权限</source>
        <translation>no permission to use the port</translation>
    </message>
    <message>
        <source>（没有找到串口）</source>
        <translation>(none found)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>无法打开串口 %1：%2。<byte value="xd"/>
现有串口：%3</source>
        <translation>Cannot open port %1: %2.<byte value="xd"/>
Available ports: %3</translation>
    </message>
    <message>
        <source><byte value="xd"/>
串口属于用户组 %1。请让管理员把您的用户加入该组（sudo usermod -aG %1 用户名），重新登录后再打开串口。</source>
        <translation><byte value="xd"/>
The port belongs to user group %1. Ask the administrator to add your user to this group (sudo usermod -aG %1 username), then log in again and open the port.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
不再自动重新连接串口 %1。</source>
        <translation><byte value="xd"/>
Port %1 is no longer reconnected automatically.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
串口 %1 仍然打开，与泵的通信照常进行。</source>
        <translation><byte value="xd"/>
Port %1 is still open; communication with the pump continues.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
原来打开的串口 %1 已关闭，现在没有与泵的连接。</source>
        <translation><byte value="xd"/>
The previously open port %1 has been closed; there is now no link to the pump.</translation>
    </message>
    <message>
        <source>串口未打开，命令没有发送。<byte value="xd"/>
请先用“通信”打开串口。</source>
        <translation>Port not open, command not sent.<byte value="xd"/>
Open the port with &quot;Port&quot; first.</translation>
    </message>
    <message>
        <source>向串口写入失败，命令没有发送。</source>
        <translation>Write to port failed, command not sent.</translation>
    </message>
    <message>
        <source>与泵的连接已断开：串口 %1 的设备已断开，串口已关闭。<byte value="xd"/>
面板正在自动重新连接该串口，设备回来后立即恢复轮询；要改用其他串口，请用“通信”打开。<byte value="xd"/>
（系统信息：%2）</source>
        <translation>Link to pump lost: the device on port %1 was disconnected; the port is closed.<byte value="xd"/>
The panel is reconnecting this port automatically and resumes polling as soon as the device is back. To use another port, open it with &quot;Port&quot;.<byte value="xd"/>
(System message: %2)</translation>
    </message>
    <message>
        <source>%1，停止命令没有发送。<byte value="xd"/>
停止命令会在串口再次打开时立即发送；在此之前泵可能仍在运行。</source>
        <translation>%1, stop command not sent.<byte value="xd"/>
The stop command is sent as soon as the port is open again; until then the pump may still be running.</translation>
    </message>
    <message>
        <source>串口未打开</source>
        <translation>Port not open</translation>
    </message>
    <message>
        <source>向串口写入失败</source>
        <translation>Write to port failed</translation>
    </message>
    <message>
        <source>已存储 %1 个压力数值，存储已满：之后的读数不再存储。<byte value="xd"/>
已存储的数值不受影响，可以用“保存”写入记录文件。</source>
        <translation>%1 pressure values stored; the store is full: further readings are not stored.<byte value="xd"/>
The stored values are kept and can be written to a record file with &quot;Save&quot;.</translation>
    </message>
    <message>
        <source>设定流量</source>
        <translation>set flow</translation>
    </message>
    <message>
        <source>设定压力</source>
        <translation>set pressure</translation>
    </message>
    <message>
        <source> · 泵可能仍在运行</source>
        <translation> · pump may run</translation>
    </message>
    <message>
        <source>串口未打开，请用“通信”打开串口</source>
        <translation>Port not open; open it with &quot;Port&quot;</translation>
    </message>
    <message>
        <source>正在重新连接 %1（第 %2 次，已断开 %3 秒）</source>
        <translation>Reconnecting %1 (try %2, %3 s)</translation>
    </message>
    <message>
        <source>%1 · 泵无应答 %2 秒</source>
        <translation>%1 · no reply for %2 s</translation>
    </message>
    <message>
        <source>%1 · 上次应答 %2 秒前</source>
        <translation>%1 · last reply %2 s ago</translation>
    </message>
    <message>
        <source>%1 · 等待应答</source>
        <translation>%1 · waiting for reply</translation>
    </message>
    <message>
        <source>发送 %1 · 应答 %2 · 丢弃 %3</source>
        <translation>sent %1 · replies %2 · discarded %3</translation>
    </message>
    <message>
        <source>串口未打开，请用“通信”打开串口 · </source>
        <translation>Port not open; open it with &quot;Port&quot; · </translation>
    </message>
    <message>
        <source>正在重新连接 %1 …（已尝试 %2 次，断开 %3 秒）</source>
        <translation>Reconnecting %1 … (%2 tries so far, down %3 s)</translation>
    </message>
    <message>
        <source> · </source>
        <translation> · </translation>
    </message>
    <message>
        <source>泵无应答（%1 秒没有应答）</source>
        <translation>pump not responding (no reply for %1 s)</translation>
    </message>
    <message>
        <source>上次应答 %1 秒前</source>
        <translation>last reply %1 s ago</translation>
    </message>
    <message>
        <source>等待应答</source>
        <translation>waiting for reply</translation>
    </message>
    <message>
        <source>串口 %1 已打开 · %2 · %3</source>
        <translation>Port %1 open · %2 · %3</translation>
    </message>
    <message>
        <source>泵可能仍在运行</source>
        <translation>pump may still be running</translation>
    </message>
    <message>
        <source>泵可能仍在运行（设定流量 %1 ml/min）</source>
        <translation>pump may still be running (set flow %1 ml/min)</translation>
    </message>
    <message>
        <source>泵恢复应答（%1 秒没有应答）</source>
        <translation>Pump responding again (silent %1 s)</translation>
    </message>
    <message>
        <source>已重新连接 %1（断开 %2 秒）</source>
        <translation>Reconnected %1 (down %2 s)</translation>
    </message>
    <message>
        <source>%1 %2 已确认</source>
        <translation>%1 %2 confirmed</translation>
    </message>
    <message>
        <source>%1 %2 未被泵确认（泵报告 %3）</source>
        <translation>%1 %2 not confirmed by pump (pump reports %3)</translation>
    </message>
    <message>
        <source>%1 %2 已发送到泵 %3，轮询只询问泵 00，无法确认</source>
        <translation>%1 %2 sent to pump %3; polling asks only pump 00, cannot confirm</translation>
    </message>
    <message>
        <source>%1 上次发送 %2，泵报告 %3</source>
        <translation>%1 last sent %2, pump reports %3</translation>
    </message>
    <message>
        <source>重新连接后，泵报告的设定与上次发送的不同：%1。<byte value="xd"/>
泵可能重新启动过。面板没有重新发送任何设定，请核对后按需要重新设定。</source>
        <translation>After reconnecting, the pump reports settings different from those last sent: %1.<byte value="xd"/>
The pump may have restarted. The panel has not resent any setting; check them and set them again as needed.</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>运行记录无法写入文件夹 %1。<byte value="xd"/>
（%2）<byte value="xd"/>
面板和泵照常工作，记录先保留在程序中，之后会继续尝试写入；恢复写入时状态栏会说明。</source>
        <translation>Run log cannot be written to folder %1.<byte value="xd"/>
(%2)<byte value="xd"/>
Panel and pump work as usual. Rows are kept in memory meanwhile and writing is retried; the status bar tells when writing resumes.</translation>
    </message>
    <message>
        <source>运行记录恢复写入 %1（补写 %2 行</source>
        <translation>Run log resumed: %1 (%2 rows written late</translation>
    </message>
    <message>
        <source>，%1 行已丢失</source>
        <translation>, %1 rows lost</translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>保护设定无法保存（%1）。<byte value="xd"/>
新的设定在本次运行中生效，下次启动时仍是原来的设定。</source>
        <translation>Protection settings could not be saved (%1).<byte value="xd"/>
The new settings apply for this run; at the next start the previous settings apply again.</translation>
    </message>
    <message>
        <source>压力保护已跳闸，运行命令没有发出。<byte value="xd"/>
%1<byte value="xd"/>
压力回到限值以内后，请在报警栏或报警窗口按“复位”，再运行。</source>
        <translation>Pressure protection has tripped; run command not sent.<byte value="xd"/>
%1<byte value="xd"/>
When pressure is back within limits, press &quot;Reset&quot; in the alarm bar or the Alarms window, then run again.</translation>
    </message>
    <message>
        <source>通信错误</source>
        <translation>Communication error</translation>
    </message>
    <message>
        <source>压力保护</source>
        <translation>Pressure protection</translation>
    </message>
    <message>
        <source>压力还没有回到限值以内，不能复位。<byte value="xd"/>
复位需要串口打开时的一个新读数，并且在限值以内 0.04 MPa。</source>
        <translation>Pressure not yet back within limits; cannot reset.<byte value="xd"/>
Reset needs a new reading while the port is open, at least 0.04 MPa inside the limits.</translation>
    </message>
    <message>
        <source>重新连接</source>
        <translation>Reconnection</translation>
    </message>
    <message>
        <source>运行记录</source>
        <translation>Run log</translation>
    </message>
</context>
<context>
    <name>Method</name>
    <message>
        <source>第 1 步</source>
        <translation>Step 1</translation>
    </message>
    <message>
        <source>停泵</source>
        <translation>Stop pump</translation>
    </message>
    <message>
        <source>程序没有步骤</source>
        <translation>program has no steps</translation>
    </message>
    <message>
        <source>第一步是停止步骤，程序没有可运行的步骤</source>
        <translation>first step is a stop step, program has no steps to run</translation>
    </message>
    <message>
        <source>程序有 %1 步，最多 %2 步</source>
        <translation>program has %1 steps, at most %2 allowed</translation>
    </message>
    <message>
        <source>停止步骤之后还有步骤，它们不会运行</source>
        <translation>steps follow the stop step and will not run</translation>
    </message>
    <message>
        <source>时长为空</source>
        <translation>duration is empty</translation>
    </message>
    <message>
        <source>时长须在 1 秒到 9999 分之间</source>
        <translation>duration must be between 1 s and 9999 min</translation>
    </message>
    <message>
        <source>设定流量 %1 ml/min 超出 0 到 200 ml/min</source>
        <translation>set flow %1 ml/min outside 0 to 200 ml/min</translation>
    </message>
    <message>
        <source>设定流量须是整数 ml/min</source>
        <translation>set flow must be a whole number of ml/min</translation>
    </message>
    <message>
        <source>设定压力 %1 MPa 超出 0 到 2.0 MPa</source>
        <translation>set pressure %1 MPa outside 0 to 2.0 MPa</translation>
    </message>
    <message>
        <source>设定压力最多一位小数（0.1 MPa）</source>
        <translation>set pressure: at most one decimal place (0.1 MPa)</translation>
    </message>
    <message>
        <source>本步的压力上限 %1 MPa 比面板的上限 %2 MPa 宽</source>
        <translation>this step&apos;s high pressure limit %1 MPa is above the panel&apos;s high limit %2 MPa</translation>
    </message>
    <message>
        <source>本步的压力上限须在 0.05 到 2.50 MPa 之间</source>
        <translation>this step&apos;s high pressure limit must be between 0.05 and 2.50 MPa</translation>
    </message>
    <message>
        <source>本步的压力下限 %1 MPa 比面板的下限 %2 MPa 宽</source>
        <translation>this step&apos;s low pressure limit %1 MPa is below the panel&apos;s low limit %2 MPa</translation>
    </message>
    <message>
        <source>压力下限 %1 MPa 须比压力上限 %2 MPa 至少低 0.05 MPa</source>
        <translation>low pressure limit %1 MPa must be at least 0.05 MPa below high pressure limit %2 MPa</translation>
    </message>
    <message>
        <source>设定压力 %1 MPa 高于本步的压力上限 %2 MPa</source>
        <translation>set pressure %1 MPa is above this step&apos;s high pressure limit %2 MPa</translation>
    </message>
    <message>
        <source>重复 %1–%2</source>
        <translation>repeat %1–%2</translation>
    </message>
    <message>
        <source>%1 指向不存在的步骤（共 %2 步）</source>
        <translation>%1 refers to steps that do not exist (%2 steps in all)</translation>
    </message>
    <message>
        <source>%1 的次数须在 1 到 999 之间</source>
        <translation>%1: number of times must be between 1 and 999</translation>
    </message>
    <message>
        <source>%1 含有停止步骤</source>
        <translation>%1 contains a stop step</translation>
    </message>
    <message>
        <source>%1 与重复 %2–%3 重叠</source>
        <translation>%1 overlaps repeat %2–%3</translation>
    </message>
    <message>
        <source>程序总长 %1，超过 30 天</source>
        <translation>total program length %1 is over 30 days</translation>
    </message>
    <message>
        <source>文件不是有效的 JSON（第 %1 个字节：%2）</source>
        <translation>file is not valid JSON (byte %1: %2)</translation>
    </message>
    <message>
        <source>文件不是泵面板的程序（缺少 &quot;format&quot;: &quot;%1&quot;）</source>
        <translation>file is not a pump panel program (&quot;format&quot;: &quot;%1&quot; missing)</translation>
    </message>
    <message>
        <source>程序文件的版本无效</source>
        <translation>program file version is invalid</translation>
    </message>
    <message>
        <source>程序文件来自更新的版本（格式版本 %1），本程序只能打开版本 %2，没有载入任何内容</source>
        <translation>program file is from a newer version (format version %1), this software opens only version %2, nothing loaded</translation>
    </message>
    <message>
        <source>程序文件的单位不是 ml/min 和 MPa</source>
        <translation>program file units are not ml/min and MPa</translation>
    </message>
    <message>
        <source>第 %1 步</source>
        <translation>step %1</translation>
    </message>
    <message>
        <source>%1的内容不完整或类型不对</source>
        <translation>%1 is incomplete or has wrong types</translation>
    </message>
    <message>
        <source>重复段的内容不完整或类型不对</source>
        <translation>a repeat is incomplete or has wrong types</translation>
    </message>
    <message>
        <source>%1 天 %2</source>
        <translation>%1 d %2</translation>
    </message>
</context>
<context>
    <name>PlotDrawing</name>
    <message>
        <source>没有数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>跳闸</source>
        <translation>Trip</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
</context>
<context>
    <name>PressureGuard</name>
    <message>
        <source>停止命令未能发出，串口再次打开时发送</source>
        <translation>stop command not sent, it will be sent when the serial port opens again</translation>
    </message>
    <message>
        <source>%1 在 %2 秒后生效（下限刚设定）</source>
        <translation>%1 takes effect in %2 s (low limit just set)</translation>
    </message>
    <message>
        <source>下限 %1</source>
        <translation>Low limit %1</translation>
    </message>
    <message>
        <source>%1 生效</source>
        <translation>%1 in effect</translation>
    </message>
    <message>
        <source>压力读数无效</source>
        <translation>Pressure reading invalid</translation>
    </message>
    <message>
        <source>%1 压力保护的%2</source>
        <translation>%1 from pressure protection: %2</translation>
    </message>
    <message>
        <source>压力超过上限 %1 MPa：读数 %2 MPa，%3</source>
        <translation>Pressure above high limit %1 MPa: reading %2 MPa, %3</translation>
    </message>
    <message>
        <source>压力低于下限 %1 MPa：读数 %2 MPa，%3</source>
        <translation>Pressure below low limit %1 MPa: reading %2 MPa, %3</translation>
    </message>
    <message>
        <source>泵已停止</source>
        <translation>pump stopped</translation>
    </message>
    <message>
        <source> 操作员复位，压力已回到限值以内</source>
        <translation> reset by operator, pressure back within limits</translation>
    </message>
    <message>
        <source>%1 在 %2 秒后生效（运行命令已发出）</source>
        <translation>%1 takes effect in %2 s (run command sent)</translation>
    </message>
    <message>
        <source>%1 不再生效（停止命令已发出）</source>
        <translation>%1 no longer in effect (stop command sent)</translation>
    </message>
    <message>
        <source>%1 在 %2 秒后生效（设定流量升高到 %3）</source>
        <translation>%1 takes effect in %2 s (set flow raised to %3)</translation>
    </message>
    <message>
        <source>%1 压力保护已跳闸：%2</source>
        <translation>%1, pressure protection tripped: %2</translation>
    </message>
</context>
<context>
    <name>PrintTestPage</name>
    <message>
        <source>打印测试</source>
        <translation>Print test</translation>
    </message>
    <message>
        <source>测试页 %1 份%2</source>
        <translation>Test page, copies: %1%2</translation>
    </message>
    <message>
        <source> → </source>
        <translation> → </translation>
    </message>
    <message>
        <source>测试页共打印 %1 份，每份一个文件：<byte value="xd"/>
%2</source>
        <translation>%1 test page copies printed, one file each:<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
</context>
<context>
    <name>ProgramRunner</name>
    <message>
        <source>%1 sha256=%2 %3 步，共 %4</source>
        <translation>%1 sha256=%2 %3 steps, total %4</translation>
    </message>
    <message>
        <source>（未保存）</source>
        <translation>(not saved)</translation>
    </message>
    <message>
        <source>开始的命令没有发出</source>
        <translation>Start command not sent</translation>
    </message>
    <message>
        <source>（停泵）</source>
        <translation> (stop pump)</translation>
    </message>
    <message>
        <source>程序在第 %1 步停泵</source>
        <translation>Program stopped the pump at step %1</translation>
    </message>
    <message>
        <source>程序完成</source>
        <translation>Program complete</translation>
    </message>
    <message>
        <source>程序第 %1 步晚了 %2 秒</source>
        <translation>program step %1 late by %2 s</translation>
    </message>
    <message>
        <source>第 %1 步，程序已运行 %2</source>
        <translation>Step %1, program has run %2</translation>
    </message>
    <message>
        <source>第 %1 步，还剩 %2</source>
        <translation>Step %1, %2 left</translation>
    </message>
    <message>
        <source>操作员停止</source>
        <translation>Stopped by operator</translation>
    </message>
    <message>
        <source>压力保护跳闸</source>
        <translation>Pressure protection trip</translation>
    </message>
    <message>
        <source>%1，估计泵送 %2 ml</source>
        <translation>%1, estimated %2 ml pumped</translation>
    </message>
</context>
<context>
    <name>ProgramWindow</name>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>时</source>
        <translation>h</translation>
    </message>
    <message>
        <source>程序</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>打开…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>保存…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>程序步骤</source>
        <translation>Program steps</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>时长</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>流量 ml/min</source>
        <translation>Flow ml/min</translation>
    </message>
    <message>
        <source>流量</source>
        <translation>Flow</translation>
    </message>
    <message>
        <source>压力 MPa</source>
        <translation>Pressure MPa</translation>
    </message>
    <message>
        <source>压力</source>
        <translation>Pressure</translation>
    </message>
    <message>
        <source>上限 MPa</source>
        <translation>High limit MPa</translation>
    </message>
    <message>
        <source>下限 MPa</source>
        <translation>Low limit MPa</translation>
    </message>
    <message>
        <source>停泵</source>
        <translation>Stop pump</translation>
    </message>
    <message>
        <source>插入步骤</source>
        <translation>Insert step</translation>
    </message>
    <message>
        <source>删除步骤</source>
        <translation>Delete step</translation>
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
        <source>复制步骤</source>
        <translation>Copy step</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>添加重复</source>
        <translation>Add repeat</translation>
    </message>
    <message>
        <source>删除重复</source>
        <translation>Delete repeat</translation>
    </message>
    <message>
        <source>重复段</source>
        <translation>Repeats</translation>
    </message>
    <message>
        <source>从第几步</source>
        <translation>From step</translation>
    </message>
    <message>
        <source>到第几步</source>
        <translation>To step</translation>
    </message>
    <message>
        <source>次数</source>
        <translation>Times</translation>
    </message>
    <message>
        <source>检查结果</source>
        <translation>Check results</translation>
    </message>
    <message>
        <source>打开程序</source>
        <translation>Open program</translation>
    </message>
    <message>
        <source>程序 (*.json)</source>
        <translation>Programs (*.json)</translation>
    </message>
    <message>
        <source>保存程序</source>
        <translation>Save program</translation>
    </message>
    <message>
        <source>第 %1 步</source>
        <translation>Step %1</translation>
    </message>
    <message>
        <source>斜坡</source>
        <translation>Ramp</translation>
    </message>
    <message>
        <source>第 %1 步的时长单位</source>
        <translation>Duration unit of step %1</translation>
    </message>
    <message>
        <source>重复段第 %1 行：%2“%3”不是数</source>
        <translation>Repeats, row %1: %2 &quot;%3&quot; is not a number</translation>
    </message>
    <message>
        <source>第 %1 步：%2“%3”不是数</source>
        <translation>Step %1: %2 &quot;%3&quot; is not a number</translation>
    </message>
    <message>
        <source>第 %1 步：%2</source>
        <translation>Step %1: %2</translation>
    </message>
    <message>
        <source>程序：%1</source>
        <translation>Program: %1</translation>
    </message>
    <message>
        <source>没有问题，可以开始</source>
        <translation>No problems, ready to start</translation>
    </message>
    <message>
        <source>程序文件 %1 无法打开：%2</source>
        <translation>Cannot open program file %1: %2</translation>
    </message>
    <message>
        <source>程序文件 %1 没有载入：%2</source>
        <translation>Program file %1 not loaded: %2</translation>
    </message>
    <message>
        <source>程序文件 %1 无法保存：%2</source>
        <translation>Cannot save program file %1: %2</translation>
    </message>
    <message>
        <source>程序 %1/%2%3 · 剩 %4 分</source>
        <translation>Program %1/%2%3 · %4 min left</translation>
    </message>
    <message>
        <source> 暂停</source>
        <translation> paused</translation>
    </message>
    <message>
        <source>程序未保存</source>
        <translation>Program not saved</translation>
    </message>
    <message>
        <source>程序文件 %1</source>
        <translation>Program file %1</translation>
    </message>
    <message>
        <source>第 %1/%2 步（程序第 %3 步）%4%5</source>
        <translation>Step %1/%2 (program step %3) %4%5</translation>
    </message>
    <message>
        <source>，已暂停</source>
        <translation>, paused</translation>
    </message>
    <message>
        <source>，已结束</source>
        <translation>, ended</translation>
    </message>
    <message>
        <source>本步剩 %1，全部剩 %2</source>
        <translation>%1 left in step, %2 left in total</translation>
    </message>
    <message>
        <source>预计 %1 结束</source>
        <translation>Expected end: %1</translation>
    </message>
    <message>
        <source>估计已泵送 %1 ml（估计值）</source>
        <translation>Pumped %1 ml (estimate)</translation>
    </message>
</context>
<context>
    <name>ProtectionWindow</name>
    <message>
        <source>保护设定</source>
        <translation>Protection settings</translation>
    </message>
    <message>
        <source>压力超出限值时面板发出停止命令并报警，复位前不能再运行。这是泵自身保护之外的第二层保护，每 1.5 秒判断一次；串口断开时无法动作，也不能代替泄压阀。留空为关。</source>
        <translation>When the pressure goes outside a limit, the panel sends a stop command and raises an alarm; the pump cannot run again until reset. This is a second layer of protection in addition to the pump&apos;s own, checked every 1.5 s. It cannot act while the serial port is disconnected, and it does not replace a relief valve. Leave empty for off.</translation>
    </message>
    <message>
        <source>压力上限</source>
        <translation>High limit</translation>
    </message>
    <message>
        <source>MPa（0.05 – 2.50）</source>
        <translation>MPa (0.05 – 2.50)</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>压力下限</source>
        <translation>Low limit</translation>
    </message>
    <message>
        <source>MPa（比上限至少低 0.05）</source>
        <translation>MPa (at least 0.05 below high limit)</translation>
    </message>
    <message>
        <source>下限生效延时</source>
        <translation>Low-limit delay</translation>
    </message>
    <message>
        <source>秒（0 – 600）</source>
        <translation>s (0 – 600)</translation>
    </message>
    <message>
        <source>跳闸时暂停定时运行</source>
        <translation>Pause timed run on trip</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>现在生效：</source>
        <translation>In force: </translation>
    </message>
</context>
<context>
    <name>RecordFile</name>
    <message>
        <source>这台电脑没有驱动器 %1</source>
        <translation>This computer has no drive %1</translation>
    </message>
    <message>
        <source>文件夹 %1 不存在</source>
        <translation>Folder %1 does not exist</translation>
    </message>
</context>
<context>
    <name>RecordSave</name>
    <message>
        <source>存储数据</source>
        <translation>Store data</translation>
    </message>
    <message>
        <source>存储失败!<byte value="xd"/>
无法写入 %1：%2<byte value="xd"/>
压力数值仍保留在程序中，可以再次存储。</source>
        <translation>Storing failed!<byte value="xd"/>
Cannot write %1: %2<byte value="xd"/>
The pressure values are still in the program and can be stored again.</translation>
    </message>
    <message>
        <source>%1 个压力数值 → %2</source>
        <translation>%1 pressure values → %2</translation>
    </message>
    <message>
        <source>当前压力数值以存储</source>
        <translation>Current pressure values stored</translation>
    </message>
</context>
<context>
    <name>RunData</name>
    <message>
        <source>缺少运行记录文件 %1</source>
        <translation>Run log file %1 missing</translation>
    </message>
    <message>
        <source>缺少运行记录文件 %1：这里的行没有读到</source>
        <translation>Run log file %1 missing: rows here not read</translation>
    </message>
    <message>
        <source>%1 与前一个文件的 chain 不符</source>
        <translation>%1 does not match the chain of the previous file</translation>
    </message>
    <message>
        <source>%1 的第一行所带的 chain 与前一个文件的最后一行不符</source>
        <translation>The chain on the first row of %1 does not match the last row of the previous file</translation>
    </message>
</context>
<context>
    <name>RunJournal</name>
    <message>
        <source>%1 秒没有应答</source>
        <translation>No reply for %1 s</translation>
    </message>
    <message>
        <source>%1 秒没有应答后恢复</source>
        <translation>Replies resumed after %1 s of silence</translation>
    </message>
    <message>
        <source>串口 %1 的设备已断开（%2）</source>
        <translation>Device on port %1 disconnected (%2)</translation>
    </message>
    <message>
        <source>%1，断开 %2 秒</source>
        <translation>%1, down %2 s</translation>
    </message>
    <message>
        <source>运行记录 %1</source>
        <translation>Run log %1</translation>
    </message>
    <message>
        <source>运行记录无法写入</source>
        <translation>Run log cannot be written</translation>
    </message>
    <message>
        <source>运行记录：打开串口后开始</source>
        <translation>Run log: starts when the port is opened</translation>
    </message>
    <message>
        <source>程序结束</source>
        <translation>Program ended</translation>
    </message>
    <message>
        <source>串口 %1，9600,n,8,1（pumppanel %2）</source>
        <translation>Port %1, 9600,n,8,1 (pumppanel %2)</translation>
    </message>
    <message>
        <source>重新连接后 </source>
        <translation>After reconnecting: </translation>
    </message>
    <message>
        <source>（泵 %1）</source>
        <translation> (pump %1)</translation>
    </message>
    <message>
        <source> 未送达的停止命令，自 %1 起欠下，晚了 %2 秒</source>
        <translation> undelivered stop command, pending since %1, sent %2 s late</translation>
    </message>
</context>
<context>
    <name>RunLog</name>
    <message>
        <source>程序结束</source>
        <translation>Program ended</translation>
    </message>
    <message>
        <source>开始新的运行记录</source>
        <translation>New run log started</translation>
    </message>
    <message>
        <source>%1 行未能写入，已丢失（%2 至 %3）</source>
        <translation>%1 rows could not be written and are lost (%2 to %3)</translation>
    </message>
    <message>
        <source>日期变更</source>
        <translation>Date changed</translation>
    </message>
    <message>
        <source>无法建立文件夹 %1</source>
        <translation>Cannot create folder %1</translation>
    </message>
    <message>
        <source>%1：无法写到磁盘（%2）</source>
        <translation>%1: cannot write to disk (%2)</translation>
    </message>
</context>
<context>
    <name>RunLogFormat</name>
    <message>
        <source>%1 导出自 %2；范围前一行 chain %3；范围最后一行 chain %4</source>
        <translation>%1 exported from %2; chain of row before range %3; chain of last row in range %4</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>第一行不是运行记录的列名</source>
        <translation>the first row is not the run log column names</translation>
    </message>
    <message>
        <source>文件不是以 UTF-8 字节顺序标记和运行记录的列名开始</source>
        <translation>the file does not start with a UTF-8 byte order mark and the run log column names</translation>
    </message>
    <message>
        <source>第 %1 行的引号或换行不符合 CSV 格式</source>
        <translation>quotes or line breaks in row %1 do not follow the CSV format</translation>
    </message>
    <message>
        <source>第 %1 行有 %2 个字段，应为 %3 个</source>
        <translation>row %1 has %2 fields instead of %3</translation>
    </message>
</context>
<context>
    <name>RunReport</name>
    <message>
        <source>%1 时 %2 分 %3 秒</source>
        <translation>%1 h %2 min %3 s</translation>
    </message>
    <message>
        <source>泵运行报告</source>
        <translation>Pump run report</translation>
    </message>
    <message>
        <source>程序版本：pumppanel %1</source>
        <translation>Software version: pumppanel %1</translation>
    </message>
    <message>
        <source>串口：%1</source>
        <translation>Serial port: %1</translation>
    </message>
    <message>
        <source>开始：%1&#x3000;结束：%2&#x3000;时长：%3</source>
        <translation>Start: %1   End: %2   Duration: %3</translation>
    </message>
    <message>
        <source>图和摘要：整个运行</source>
        <translation>Plot and summary: whole run</translation>
    </message>
    <message>
        <source>图和摘要：%1 至 %2</source>
        <translation>Plot and summary: %1 to %2</translation>
    </message>
    <message>
        <source>压力：最低 %1 MPa，最高 %2 MPa，平均 %3 MPa（%4 个读数）</source>
        <translation>Pressure: min %1 MPa, max %2 MPa, mean %3 MPa (%4 readings)</translation>
    </message>
    <message>
        <source>压力：没有读数</source>
        <translation>Pressure: no readings</translation>
    </message>
    <message>
        <source>运行时间：%1</source>
        <translation>Running time: %1</translation>
    </message>
    <message>
        <source>估计泵送体积：%1 ml（估计值：设定流量对运行时间的积分；泵不报告实际体积）</source>
        <translation>Estimated volume pumped: %1 ml (estimate: set flow integrated over running time; the pump does not report the actual volume)</translation>
    </message>
    <message>
        <source>压力限值（%1 起）：%2</source>
        <translation>Pressure limits (from %1): %2</translation>
    </message>
    <message>
        <source>&#x3000;%1 %2：%3</source>
        <translation>   %1 %2: %3</translation>
    </message>
    <message>
        <source>跳闸</source>
        <translation>Trip</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>程序（%1 开始）：%2</source>
        <translation>Program (started %1): %2</translation>
    </message>
    <message>
        <source>&#x3000;第 %1 步 %2：计划 %3，实际 +%4</source>
        <translation>   Step %1 %2: planned %3, actual +%4</translation>
    </message>
    <message>
        <source>&#x3000;另有 %1 步，见下面的事件表</source>
        <translation>   %1 more steps, see the event table below</translation>
    </message>
    <message>
        <source>压力保护跳闸：%1 次</source>
        <translation>Pressure protection trips: %1</translation>
    </message>
    <message>
        <source>&#x3000;另有 %1 条跳闸和复位，见下面的事件表</source>
        <translation>   %1 more trips and resets, see the event table below</translation>
    </message>
    <message>
        <source>%1 至 %2（%3 个文件）</source>
        <translation>%1 to %2 (%3 files)</translation>
    </message>
    <message>
        <source>运行记录文件：%1</source>
        <translation>Run log: %1</translation>
    </message>
    <message>
        <source>最后一行 chain：%1</source>
        <translation>Last row chain: %1</translation>
    </message>
    <message>
        <source>事件（%1 个）</source>
        <translation>Events (%1)</translation>
    </message>
    <message>
        <source>…… 另有 %1 个事件，见运行记录文件</source>
        <translation>… %1 more events, see the run log file</translation>
    </message>
</context>
<context>
    <name>SessionEnd</name>
    <message>
        <source>Windows 会话结束</source>
        <translation>Windows session ended</translation>
    </message>
    <message>
        <source>控制台 Ctrl+C</source>
        <translation>Console Ctrl+C</translation>
    </message>
    <message>
        <source>控制台关闭</source>
        <translation>Console closed</translation>
    </message>
    <message>
        <source>收到信号 %1</source>
        <translation>Signal %1 received</translation>
    </message>
</context>
<context>
    <name>SetpointDialogs</name>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>请输入您需要的流量 单位 ml/min </source>
        <translation>Enter the flow in ml/min </translation>
    </message>
    <message>
        <source>流量范围为1—200ml/min</source>
        <translation>Flow range: 1 to 200 ml/min</translation>
    </message>
    <message>
        <source>流量设定</source>
        <translation>Flow setpoint</translation>
    </message>
    <message>
        <source>流量设定错误!</source>
        <translation>Flow setpoint out of range!</translation>
    </message>
    <message>
        <source>请输入您需要保护压 单位 MPa</source>
        <translation>Enter the protection pressure in MPa</translation>
    </message>
    <message>
        <source>压力设定范围为0—2.0MPa</source>
        <translation>Pressure range: 0 to 2.0 MPa</translation>
    </message>
    <message>
        <source>压力设定</source>
        <translation>Pressure setpoint</translation>
    </message>
    <message>
        <source>压力设定错误!</source>
        <translation>Pressure setpoint out of range!</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>请输入要控制泵的编号 </source>
        <translation>Enter the number of the pump to control </translation>
    </message>
    <message>
        <source>编号设定</source>
        <translation>Pump number</translation>
    </message>
    <message>
        <source>编号设定：%1</source>
        <translation>Pump number: %1</translation>
    </message>
    <message>
        <source>泵编号设定错误!</source>
        <translation>Invalid pump number!</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>无法写入 %1</source>
        <translation>Cannot write %1</translation>
    </message>
    <message>
        <source>%1 的格式有误</source>
        <translation>%1 is not in the expected format</translation>
    </message>
</context>
<context>
    <name>TellingSender</name>
    <message>
        <source>串口未打开</source>
        <translation>port not open</translation>
    </message>
    <message>
        <source>写入失败</source>
        <translation>write failed</translation>
    </message>
    <message>
        <source>，串口再次打开时发送</source>
        <translation>, sent when the port is open again</translation>
    </message>
</context>
<context>
    <name>TimedRun</name>
    <message>
        <source>请输入设定时间 单位 分 </source>
        <translation>Enter set time in min </translation>
    </message>
    <message>
        <source>时间设定</source>
        <translation>Time setting</translation>
    </message>
    <message>
        <source>时间设定：%1</source>
        <translation>Time setting: %1</translation>
    </message>
    <message>
        <source>时间设定错误!<byte value="xd"/>
最长定时为 546.1 分（9 时 6 分 7 秒）。</source>
        <translation>Invalid time setting.<byte value="xd"/>
Longest timed run: 546.1 min (9 h 6 min 7 s).</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>定时 %1 分</source>
        <translation>Set time %1 min</translation>
    </message>
    <message>
        <source>压力保护跳闸，</source>
        <translation>Pressure protection trip, </translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>定时 %1：%2</source>
        <translation>Timed run %1: %2</translation>
    </message>
    <message>
        <source>定时</source>
        <translation>Timed run</translation>
    </message>
    <message>
        <source>已运行 %1 秒，定时 %2 分</source>
        <translation>Ran %1 s, set time %2 min</translation>
    </message>
</context>
</TS>
