#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "KeyFile.h"
#include "framework/system/CodePage.h"

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

std::string LastErrorText(const char* what) {
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

// The TOKEN_USER of this process; its SID points into the returned buffer.
std::vector<BYTE> CurrentUser(std::string& error) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        error = LastErrorText("OpenProcessToken");
        return {};
    }
    OwnedHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(raw, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(raw, TokenUser, buffer.data(), size, &size)) {
        error = LastErrorText("GetTokenInformation");
        return {};
    }
    return buffer;
}

}  // namespace

bool CreateOwnerOnlyFile(const std::string& path, const std::string& data, std::string& error) {
    std::vector<BYTE> user = CurrentUser(error);
    if (user.empty()) return false;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;

    // One ACE, full access for the user; protected, so the folder's inheritable ACEs stay out.
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
    std::vector<BYTE> aclBuffer(aclSize);
    PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR sd;
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) || !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&sd, sid, FALSE) || !SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        error = LastErrorText("building the security descriptor");
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &sd, FALSE};
    const std::wstring name = Utf8ToWide(path);
    OwnedHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        error = LastErrorText("CreateFileW");
        return false;
    }
    bool ok = true;
    for (size_t done = 0; ok && done < data.size();) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        DWORD written = 0;
        ok = WriteFile(file.get(), data.data() + done, chunk, &written, nullptr) && written > 0;
        done += written;
    }
    if (!ok) error = LastErrorText("WriteFile");
    file.reset();
    if (!ok) DeleteFileW(name.c_str());
    return ok;
}
