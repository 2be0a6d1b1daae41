#include "windowskeepawake.h"

#include <QCoreApplication>

// windows.h before anything else of the system's: MinGW's headers need its definitions.
#include <windows.h>

#include <string>

namespace {

QString lastError()
{
    return qt_error_string(int(GetLastError())).trimmed();
}

} // namespace

WindowsKeepAwake::~WindowsKeepAwake()
{
    release();
}

bool WindowsKeepAwake::hold(const QString &reason)
{
    if (m_held != Held::Nothing)
        return true;
    // The system copies the text while it makes the request.
    std::wstring text = reason.toStdWString();
    REASON_CONTEXT context{};
    context.Version = POWER_REQUEST_CONTEXT_VERSION;
    context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    context.Reason.SimpleReasonString = text.data();
    QString requestError;
    const HANDLE request = PowerCreateRequest(&context);
    if (request == INVALID_HANDLE_VALUE) {
        requestError = lastError();
    } else if (!PowerSetRequest(request, PowerRequestSystemRequired)) {
        requestError = lastError();
        CloseHandle(request);
    } else {
        m_request = request;
        m_held = Held::PowerRequest;
        m_failure.clear();
        return true;
    }
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) {
        m_held = Held::ExecutionState;
        m_failure.clear();
        return true;
    }
    m_failure =
        QCoreApplication::translate("KeepAwake",
                                    "无法阻止计算机休眠：电源请求：%1；线程执行状态：%2")
            .arg(requestError,
                 QCoreApplication::translate("KeepAwake", "SetThreadExecutionState 未被接受"));
    return false;
}

void WindowsKeepAwake::release()
{
    switch (m_held) {
    case Held::Nothing:
        return;
    case Held::PowerRequest:
        PowerClearRequest(m_request, PowerRequestSystemRequired);
        CloseHandle(m_request);
        m_request = nullptr;
        break;
    case Held::ExecutionState:
        SetThreadExecutionState(ES_CONTINUOUS);
        break;
    }
    m_held = Held::Nothing;
}

bool WindowsKeepAwake::isHeld() const
{
    return m_held != Held::Nothing;
}

QString WindowsKeepAwake::failure() const
{
    return m_failure;
}

std::unique_ptr<KeepAwake> makeSystemKeepAwake()
{
    return std::make_unique<WindowsKeepAwake>();
}
