#include "net/HttpClient.h"
#include "net/Socket.h"

void RaiseSocketError(int code) {
    throw EHttpSocketError(code, L"Socket Error # " + std::to_wstring(code) + L"\r\n" + SocketErrorText(code));
}
