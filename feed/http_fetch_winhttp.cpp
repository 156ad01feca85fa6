// GET through the system's WinHTTP.
#include <windows.h>
#include <winhttp.h>

#include <cstdlib>
#include <string>

#include "feed/http_fetch.h"

namespace {

std::wstring wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n);
    return out;
}

struct Handle {
    HINTERNET h = nullptr;
    ~Handle() {
        if (h) WinHttpCloseHandle(h);
    }
};

// A numeric header, or -1 when absent.
long long header_number(HINTERNET request, DWORD which) {
    DWORD value = 0, size = sizeof value;
    if (!WinHttpQueryHeaders(request, which | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return -1;
    return (long long)value;
}

bool fail(HttpAnswer& answer, const std::string& why) {
    answer.error = why;
    answer.status = 0;
    answer.body.clear();
    return false;
}

std::string reason(DWORD error, long timeout) {
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // what Wine's WinHTTP gives instead
        return "no whole answer within " + std::to_string(timeout) + " s";
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case WSAECONNREFUSED: return "cannot connect";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "the service's name cannot be resolved";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "the connection was broken";
    case ERROR_WINHTTP_SECURE_FAILURE: return "the secure connection failed";
    default: return "the request failed (WinHTTP error " + std::to_string(error) + ")";
    }
}

}  // namespace

bool http_fetch(const std::string& url, const std::string& user_agent, HttpAnswer& answer) {
    answer = HttpAnswer{};
    const long timeout = http_fetch_timeout();
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeout) * 1000;
    std::wstring address = wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!WinHttpCrackUrl(address.c_str(), DWORD(address.size()), 0, &parts)) return fail(answer, "not an address: " + url);
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";
    Handle session, connection, request;
    session.h = WinHttpOpen(wide(user_agent).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session.h) return fail(answer, reason(GetLastError(), timeout));
    const int ms = int(timeout * 1000);
    WinHttpSetTimeouts(session.h, ms, ms, ms, ms);
    connection.h = WinHttpConnect(session.h, host.c_str(), parts.nPort, 0);
    if (!connection.h) return fail(answer, reason(GetLastError(), timeout));
    request.h = WinHttpOpenRequest(connection.h, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                   WINHTTP_DEFAULT_ACCEPT_TYPES,
                                   parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    if (!request.h) return fail(answer, reason(GetLastError(), timeout));
    WinHttpSetTimeouts(request.h, ms, ms, ms, ms);  // on the request too: not every WinHTTP passes the session's on
    DWORD response_ms = DWORD(ms);
    WinHttpSetOption(request.h, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_ms, sizeof response_ms);
    if (!WinHttpSendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.h, nullptr))
        return fail(answer, reason(GetLastError(), timeout));
    answer.status = int(header_number(request.h, WINHTTP_QUERY_STATUS_CODE));
    answer.retry_after = long(header_number(request.h, WINHTTP_QUERY_RETRY_AFTER));
    const long long length = header_number(request.h, WINHTTP_QUERY_CONTENT_LENGTH);
    char buffer[65536];
    while (true) {
        if (GetTickCount64() > deadline) return fail(answer, reason(ERROR_WINHTTP_TIMEOUT, timeout));
        DWORD n = 0;
        if (!WinHttpReadData(request.h, buffer, sizeof buffer, &n)) return fail(answer, reason(GetLastError(), timeout));
        if (n == 0) break;
        if (answer.body.size() + n > http_body_limit) return fail(answer, "the answer is larger than 64 MiB");
        answer.body.append(buffer, n);
    }
    if (length >= 0 && (long long)answer.body.size() != length) return fail(answer, "the answer was cut short");
    return true;
}
