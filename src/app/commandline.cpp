#include "commandline.h"

#include "console.h"
#include "runlogformat.h"

#include <QFile>

namespace {

const char *const help = R"(用法：pumppanel [选项]

泵控制面板。不带选项时打开面板窗口。

选项：
  --verify-log 文件   检查运行记录文件的 chain：完好时输出 "OK: N rows, from … to …"，
                      退出码 0；有行被改动、删除或插入时指出第一个不符的行，退出码 1；
                      不是运行记录文件时说明原因，退出码 2。
  -h, --help          显示本帮助。
  -v, --version       显示版本。

运行记录保存在 %1。
)";

int verifyLog(const QString &path, QString &out, QString &err)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err += QString::fromUtf8("无法读取 %1：%2\n").arg(path, file.errorString());
        return 2;
    }
    const RunLogFormat::Verification result = RunLogFormat::verify(file.readAll());
    switch (result.outcome) {
    case RunLogFormat::Verification::Outcome::Holds:
        out += QStringLiteral("OK: %1 rows, from %2 to %3\n")
                   .arg(result.rows)
                   .arg(result.rows > 0 ? result.firstTime : QStringLiteral("-"),
                        result.rows > 0 ? result.lastTime : QStringLiteral("-"));
        if (result.incompleteTail)
            out += QString::fromUtf8("文件末尾有一行没有写完（程序在写入时中断），未计入。\n");
        return 0;
    case RunLogFormat::Verification::Outcome::Broken:
        out += QString::fromUtf8("第 %1 行（time %2）的 chain 不符：这一行或它之前的行被改动、"
                                 "删除或插入过。此前的 %3 行完好。\n")
                   .arg(result.brokenRow)
                   .arg(result.brokenTime)
                   .arg(result.brokenRow - 1);
        return 1;
    case RunLogFormat::Verification::Outcome::NotARunLog:
        err += QString::fromUtf8("%1 不是运行记录文件：%2。\n").arg(path, result.problem);
        return 2;
    }
    return 2;
}

} // namespace

std::optional<int> runCommandLine(const QStringList &arguments, QString &out, QString &err)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments[i];
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            out += QString::fromUtf8(help).arg(
                QString::fromUtf8("Linux 上的 ~/.local/share/pumppanel/runs/，Windows 上的 "
                                  "%LOCALAPPDATA%\\pumppanel\\runs\\"));
            return 0;
        }
        if (option == QLatin1String("-v") || option == QLatin1String("--version")) {
            out += QStringLiteral("pumppanel %1\n").arg(QStringLiteral(PUMPPANEL_VERSION));
            return 0;
        }
        if (option == QLatin1String("--verify-log")) {
            if (i + 1 >= arguments.size()) {
                err += QString::fromUtf8("--verify-log 需要一个文件名。\n");
                return 2;
            }
            return verifyLog(arguments[i + 1], out, err);
        }
    }
    return std::nullopt; // Qt's own options (-platform and the like) go to the application
}

std::optional<int> runCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString out;
    QString err;
    const std::optional<int> exitCode = runCommandLine(arguments, out, err);
    if (exitCode) {
        Console console;
        console.write(out, err);
    }
    return exitCode;
}
