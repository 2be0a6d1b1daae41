#include "commandline.h"

#include "console.h"
#include "language.h"
#include "runfiles.h"
#include "runlog.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString help()
{
    return QCoreApplication::translate(
        "CommandLine",
        "用法：pumppanel [选项]\n"
        "\n"
        "泵控制面板。不带选项时打开面板窗口。\n"
        "\n"
        "选项：\n"
        "  --verify-log 文件或文件夹…\n"
        "                      检查运行记录文件的 chain。文件夹代表其中所有的 .csv 文件。\n"
        "                      "
        "每一行被改动、插入、删除或调换位置，都会被发现：指出第一个不符的行，\n"
        "                      退出码 1。文件末尾被截掉、或程序没有正常结束（没有结束行），\n"
        "                      退出码 3。完好并有结束行，或正在被运行中的面板写入时输出\n"
        "                      \"OK: N rows, from … to …\"，退出码 "
        "0。不是运行记录或无法读取，退出码 2。\n"
        "                      午夜后接续的文件，检查它接续的文件存在并以它所带的 chain 结束；\n"
        "                      检查多个文件时，缺少的文件算作不符（退出码 1）。\n"
        "                      多个文件的退出码取最严重的：1，然后 2，然后 3，然后 0。\n"
        "                      整个文件连同 chain 被重新计算后改写，无法发现（chain 没有密钥）：\n"
        "                      打印在运行报告上、与文件分开保存的最后一行 "
        "chain，才把文件和纸面对应起来。\n"
        "  --language en|zh_CN 面板的语言：en 英文，zh_CN 简体中文。不带此选项时用面板设置中选定\n"
        "                      的语言（状态栏的“语言”），未选定时是简体中文，与系统的语言无关。\n"
        "  -h, --help          显示本帮助。\n"
        "  -v, --version       显示版本。\n"
        "\n"
        "运行记录保存在 %1。\n");
}

QString rowsText(const RunLogFormat::Verification &verification)
{
    return QStringLiteral("%1 rows, from %2 to %3")
        .arg(verification.rows)
        .arg(verification.rows > 0 ? verification.firstTime : QStringLiteral("-"),
             verification.rows > 0 ? verification.lastTime : QStringLiteral("-"));
}

// What one file's check says, on standard output and on standard error.
void describe(const RunFiles::Check &check, const QString &prefix, QString &out, QString &err)
{
    const RunLogFormat::Verification &verification = check.verification;
    const QString path = QDir::toNativeSeparators(check.path);
    switch (check.outcome) {
    case RunFiles::Check::Outcome::NotARunLog:
        if (!check.readError.isEmpty())
            err += QCoreApplication::translate("CommandLine", "无法读取 %1：%2\n")
                       .arg(path, check.readError);
        else
            err += QCoreApplication::translate("CommandLine", "%1 不是运行记录文件：%2。\n")
                       .arg(path, verification.problem);
        return;
    case RunFiles::Check::Outcome::Broken:
        out += prefix + QCoreApplication::translate(
                            "CommandLine", "第 %1 行（time %2）的 chain 不符：这一行或它之前的行被"
                                           "改动、删除、插入或调换过。此前的 %3 行完好。\n")
                            .arg(verification.brokenRow)
                            .arg(verification.brokenTime)
                            .arg(verification.brokenRow - 1);
        return;
    case RunFiles::Check::Outcome::Closed:
        out += prefix + QStringLiteral("OK: ") + rowsText(verification) + QLatin1Char('\n');
        break;
    case RunFiles::Check::Outcome::BeingWritten:
        out += prefix + QStringLiteral("OK: ") + rowsText(verification) +
               QCoreApplication::translate(
                   "CommandLine", "；正在写入：运行中的面板还在记录这个文件，结束行尚未写出。\n");
        break;
    case RunFiles::Check::Outcome::NotClosed:
        out +=
            prefix + QCoreApplication::translate(
                         "CommandLine", "没有结束行：程序异常结束，或末尾的行被删除（%1 完好）。\n")
                         .arg(rowsText(verification));
        break;
    }
    if (verification.incompleteTail)
        out +=
            prefix + QCoreApplication::translate(
                         "CommandLine", "文件末尾有一行没有写完（程序在写入时中断），未计入。\n");
    if (check.previousFile.isEmpty())
        return;
    if (!check.previousFound)
        out += prefix + (check.previousRequired
                             ? QCoreApplication::translate(
                                   "CommandLine", "接续的文件 %1 不存在：运行中的一个文件缺少。\n")
                             : QCoreApplication::translate(
                                   "CommandLine", "接续的文件 %1 不在同一文件夹，未核对。\n"))
                            .arg(check.previousFile);
    else if (!check.previousMatches)
        out += prefix + QCoreApplication::translate(
                            "CommandLine", "接续的文件 %1 的最后一行 chain 与这个文件第一行所带的"
                                           "不符：那个文件被改动、截短或换掉过。\n")
                            .arg(check.previousFile);
    else
        out += prefix + QCoreApplication::translate("CommandLine", "接续 %1，chain 相符。\n")
                            .arg(check.previousFile);
}

int verifyLogs(const QStringList &paths, QString &out, QString &err)
{
    const QList<RunFiles::Check> checks = RunFiles::check(paths);
    if (checks.isEmpty()) {
        err += QCoreApplication::translate("CommandLine", "%1 中没有运行记录文件（*.csv）。\n")
                   .arg(QDir::toNativeSeparators(paths.join(QLatin1Char(' '))));
        return 2;
    }
    for (const RunFiles::Check &check : checks) {
        const QString prefix = checks.size() > 1
                                   ? QDir::toNativeSeparators(check.path) + QStringLiteral(": ")
                                   : QString();
        describe(check, prefix, out, err);
    }
    return RunFiles::worstExitCode(checks);
}

// Where the first option the panel answers on the console stands, or -1. A language's name
// after --language is not an option.
qsizetype consoleOption(const QStringList &arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments[i];
        if (option == QLatin1String("--language"))
            ++i;
        else if (option == QLatin1String("-h") || option == QLatin1String("--help") ||
                 option == QLatin1String("-v") || option == QLatin1String("--version") ||
                 option == QLatin1String("--verify-log"))
            return i;
    }
    return -1;
}

} // namespace

std::optional<int> runCommandLine(const QStringList &arguments, QString &out, QString &err)
{
    if (const Languages::Option language = Languages::fromArguments(arguments);
        !language.problem.isEmpty()) {
        err += language.problem + QLatin1Char('\n');
        return 2;
    }
    const qsizetype at = consoleOption(arguments);
    if (at < 0)
        return std::nullopt; // Qt's own options (-platform and the like) go to the application
    const QString &option = arguments[at];
    if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
        out += help().arg(QDir::toNativeSeparators(RunLog::defaultFolder()));
        return 0;
    }
    if (option == QLatin1String("-v") || option == QLatin1String("--version")) {
        out += QStringLiteral("pumppanel %1\n").arg(QStringLiteral(PUMPPANEL_VERSION));
        return 0;
    }
    if (at + 1 >= arguments.size()) { // --verify-log
        err += QCoreApplication::translate("CommandLine", "--verify-log 需要一个文件名。\n");
        return 2;
    }
    return verifyLogs(arguments.mid(at + 1), out, err);
}

std::optional<int> runCommandLine(int argc, char *argv[], Language language)
{
    const QStringList arguments = commandLineArguments(argc, argv);
    if (Languages::fromArguments(arguments).problem.isEmpty() && consoleOption(arguments) < 0)
        return std::nullopt;
    // The answer is in the panel's language, which needs an application for its translation.
    QCoreApplication application(argc, argv);
    Languages::install(application, language);
    QString out;
    QString err;
    const std::optional<int> exitCode = runCommandLine(arguments, out, err);
    if (exitCode) {
        Console console;
        console.write(out, err);
    }
    return exitCode;
}
