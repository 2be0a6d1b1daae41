#include "console.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace {

void writeTo(DWORD which, const QString &text)
{
    if (text.isEmpty())
        return;
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        // A console takes the characters themselves, whatever its code page.
        DWORD written = 0;
        WriteConsoleW(handle, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()),
                      &written, nullptr);
        return;
    }
    if (handle && handle != INVALID_HANDLE_VALUE) { // a file or a pipe: UTF-8
        const QByteArray bytes = text.toUtf8();
        DWORD written = 0;
        WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr);
    }
}

} // namespace

QStringList commandLineArguments(int, char *[])
{
    QStringList arguments;
    int count = 0;
    LPWSTR *words = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; words && i < count; ++i)
        arguments << QString::fromWCharArray(words[i]);
    LocalFree(words);
    return arguments;
}

void Console::write(const QString &out, const QString &err)
{
    // Started from a command prompt, a windowed program has no console of its own.
    const bool redirected = GetStdHandle(STD_OUTPUT_HANDLE) != nullptr &&
                            GetStdHandle(STD_OUTPUT_HANDLE) != INVALID_HANDLE_VALUE;
    if (!redirected && AttachConsole(ATTACH_PARENT_PROCESS)) {
        SetStdHandle(STD_OUTPUT_HANDLE,
                     CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
        SetStdHandle(STD_ERROR_HANDLE, GetStdHandle(STD_OUTPUT_HANDLE));
    }
    writeTo(STD_OUTPUT_HANDLE, out);
    writeTo(STD_ERROR_HANDLE, err);
}

#else

QStringList commandLineArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void Console::write(const QString &out, const QString &err)
{
    std::fputs(out.toUtf8().constData(), stdout);
    std::fputs(err.toUtf8().constData(), stderr);
    std::fflush(stdout);
}

#endif
