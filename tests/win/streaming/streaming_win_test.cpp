// updater.exe carries the window's form data as the resource TFORMMAIN; a
// TFormMain read from that resource is the designed window with its events
// bound; damaged data fails cleanly and frees what it had made.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Main.h"
#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/FormResource.h"
#include "framework/streaming/FormText.h"
#include "framework/system/CodePage.h"
#include "net/AntiFreeze.h"

namespace {

std::vector<uint8_t> FileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// updater.exe (or a copy) loaded for its resources only.
class DataModule {
public:
    explicit DataModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataModule() {
        if (module_) FreeLibrary(module_);
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

std::vector<uint8_t> ResourceBytes(HMODULE module) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!FindFormResource(module, L"TFORMMAIN", data, size)) return {};
    return std::vector<uint8_t>(data, data + size);
}

const std::wstring kUpdaterExe = Utf8ToWide(UPDATER_EXE);

}  // namespace

TEST(FormResource, UpdaterExeCarriesTheConvertedForm) {
    DataModule exe(kUpdaterExe);
    ASSERT_NE(exe.Get(), nullptr) << UPDATER_EXE;
    const std::vector<uint8_t> inExe = ResourceBytes(exe.Get());
    ASSERT_FALSE(inExe.empty()) << "TFORMMAIN in updater.exe";
    EXPECT_EQ(inExe, FileBytes(MAIN_FORM_DATA)) << "the bytes formconv made from app/Main.form";
    EXPECT_EQ(inExe, ResourceBytes(nullptr)) << "this test program links the same resource";
    EXPECT_NE(FindResourceW(exe.Get(), MAKEINTRESOURCEW(1), RT_VERSION), nullptr)
        << "the version information survives beside it";
}

TEST(FormResource, WindowReadFromUpdaterExeIsTheDesignedOne) {
    DataModule exe(kUpdaterExe);
    ASSERT_NE(exe.Get(), nullptr);
    TFormMain form(nullptr, exe.Get());

    EXPECT_EQ(form.Name(), L"FormMain");
    EXPECT_EQ(form.Caption(), L"Talvoria Pemrick - 自动更新");
    EXPECT_EQ(form.BorderStyle(), bsSingle);
    EXPECT_EQ(form.BorderIcons(), biSystemMenu | biMinimize);
    EXPECT_FALSE(form.Scaled());
    EXPECT_EQ(form.Font().Name, L"宋体");
    EXPECT_EQ(form.Font().Height, -12);
    EXPECT_EQ(form.Font().Charset, GB2312_CHARSET);
    const HWND h = form.Handle();
    RECT client, window;
    GetClientRect(h, &client);
    GetWindowRect(h, &window);
    EXPECT_EQ(client.right, 476);
    EXPECT_EQ(client.bottom, 103);
    EXPECT_EQ(window.left, 325);
    EXPECT_EQ(window.top, 270);

    const std::pair<const wchar_t*, const wchar_t*> components[] = {
        {L"Label1", L"TLabel"},   {L"Label2", L"TLabel"},       {L"ProgressBar1", L"TProgressBar"},
        {L"Button1", L"TButton"}, {L"SkinData1", L"TSkinData"}, {L"AntiFreeze1", L"TAntiFreeze"},
        {L"Timer1", L"TTimer"}};
    ASSERT_EQ(form.ComponentCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(form.Components(i)->Name(), components[i].first) << i;
        EXPECT_EQ(form.Components(i)->ClassName(), components[i].second) << i;
        EXPECT_EQ(form.Components(i)->ComponentState() & csLoading, 0) << "Loaded ran: " << i;
    }
    EXPECT_EQ(form.Label1, form.Components(0));
    EXPECT_EQ(form.Timer1, form.Components(6));
    EXPECT_EQ(form.Label1->Parent(), &form);
    EXPECT_EQ(form.Label1->Caption(), L"更新进度：");
    EXPECT_EQ(form.Label1->Font().Name, L"宋体") << "the labels follow the form's font";
    EXPECT_TRUE(form.Label2->AutoSize());
    EXPECT_EQ(form.ProgressBar1->BoundsRect().right, 82 + 377);
    EXPECT_EQ(form.ProgressBar1->Max(), 10000);
    EXPECT_EQ(form.Button1->Caption(), L"取消");
    EXPECT_EQ(form.Button1->TabOrder(), 1);
    EXPECT_EQ(form.AntiFreeze1->IdleTimeOut(), 250);
    EXPECT_EQ(&form.AntiFreeze1->AntiFreeze(), TAntiFreeze::Instance());
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_EQ(form.Timer1->Interval(), 1u);

    // The handlers are the form's methods, found again by name.
    EXPECT_EQ(GetPropText(form, L"OnShow"), L"FormShow");
    EXPECT_EQ(GetPropText(form, L"OnClose"), L"FormClose");
    EXPECT_EQ(GetPropText(*form.Button1, L"OnClick"), L"Button1Click");
    EXPECT_EQ(GetPropText(*form.Timer1, L"OnTimer"), L"Timer1Timer");
    ASSERT_TRUE(form.OnShow);
    form.OnShow(&form);
    EXPECT_TRUE(form.Timer1->Enabled()) << "OnShow ran FormShow of this form";
    form.Timer1->SetEnabled(false);

    // Written again, the events and the tree come out by name and in order.
    const std::vector<uint8_t> data = WriteComponentData(form);
    const std::string text = ObjectBinaryToText(data.data(), data.size());
    size_t at = 0;
    for (const char* line : {"object FormMain: TFormMain", "OnClose = FormClose", "OnShow = FormShow",
                             "object Label1: TLabel", "object Label2: TLabel", "object ProgressBar1: TProgressBar",
                             "object Button1: TButton", "OnClick = Button1Click", "object AntiFreeze1: TAntiFreeze",
                             "object Timer1: TTimer", "Interval = 1", "OnTimer = Timer1Timer"}) {
        const size_t found = text.find(line, at);
        EXPECT_NE(found, std::string::npos) << "case: " << line << "\n" << text;
        if (found != std::string::npos) at = found;
    }
}

TEST(FormResource, ControlsAnswerPropertiesByName) {
    TFormMain form(nullptr);
    EXPECT_EQ(GetPropText(*form.Button1, L"Caption"), L"取消");
    EXPECT_EQ(GetPropText(*form.Label1, L"Font.Charset"), L"GB2312_CHARSET");
    TFont* font = GetObjectProp<TFont>(*form.Label2, L"Font");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, &form.Label2->Font());
    EXPECT_EQ(GetPropText(form, L"BorderStyle"), L"bsSingle");
    EXPECT_EQ(GetPropText(*form.ProgressBar1, L"Max"), L"10000");
    EXPECT_EQ(GetPropText(*form.Button1, L"Default"), L"False");
    // Properties these controls do not have: empty, and nothing changes.
    for (const wchar_t* missing : {L"Checked", L"State", L"Glyph", L"NumGlyphs"}) {
        EXPECT_TRUE(GetPropValue(*form.Button1, missing).IsEmpty()) << WideToUtf8(missing);
        EXPECT_FALSE(SetPropText(*form.Button1, missing, L"True")) << WideToUtf8(missing);
    }
    // Set by name through the control's own setter: the window follows.
    const HWND button = form.Button1->Handle();
    EXPECT_TRUE(SetPropText(*form.Button1, L"Caption", L"关闭"));
    wchar_t text[32] = {};
    GetWindowTextW(button, text, 32);
    EXPECT_STREQ(text, L"关闭");
    EXPECT_TRUE(SetPropText(form, L"Font.Height", L"-16"));
    EXPECT_EQ(form.Label1->Font().Height, -16) << "the change reached the children";
}

namespace {

// A lambda has no stdcall form, which the 32-bit build needs for callbacks.
BOOL CALLBACK TakeLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR param) {
    *reinterpret_cast<WORD*>(param) = lang;
    return FALSE;
}

// A copy of updater.exe whose TFORMMAIN is replaced by data.
class PatchedExe {
public:
    explicit PatchedExe(const std::vector<uint8_t>& data) {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        path_ = std::wstring(dir) + L"streaming_win_test_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        ok_ = CopyFileW(kUpdaterExe.c_str(), path_.c_str(), FALSE);
        WORD language = 0;
        {
            DataModule exe(kUpdaterExe);
            EnumResourceLanguagesW(exe.Get(), RT_RCDATA, L"TFORMMAIN", TakeLanguage,
                                   reinterpret_cast<LONG_PTR>(&language));
        }
        HANDLE update = ok_ ? BeginUpdateResourceW(path_.c_str(), FALSE) : nullptr;
        ok_ = update && UpdateResourceW(update, RT_RCDATA, L"TFORMMAIN", language, const_cast<uint8_t*>(data.data()),
                                        static_cast<DWORD>(data.size()));
        if (update) ok_ = EndUpdateResourceW(update, !ok_) && ok_;
    }
    ~PatchedExe() { DeleteFileW(path_.c_str()); }
    PatchedExe(const PatchedExe&) = delete;
    PatchedExe& operator=(const PatchedExe&) = delete;
    bool Ok() const { return ok_; }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    bool ok_ = false;
};

}  // namespace

TEST(FormResource, DamagedResourceFailsAndFreesWhatItMade) {
    const std::vector<uint8_t> good = FileBytes(MAIN_FORM_DATA);
    const std::string timer = "\x06TTimer\x06Timer1";
    const auto at = std::search(good.begin(), good.end(), timer.begin(), timer.end());
    ASSERT_NE(at, good.end());
    std::vector<uint8_t> wrongClass = good;
    wrongClass[5] = 'X';  // "TFormMain" -> "XFormMain"
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        const char* message;
    } cases[] = {
        {"cut inside Timer1", std::vector<uint8_t>(good.begin(), at + 10), "Form data ends early"},
        {"other form class", wrongClass, "The form data is for XFormMain, not TFormMain"},
        {"not form data", std::vector<uint8_t>{'M', 'Z', 0, 0}, "no PMF1 signature"},
    };
    for (const Case& c : cases) {
        PatchedExe exe(c.data);
        ASSERT_TRUE(exe.Ok()) << "case: " << c.name;
        DataModule module(exe.Path());
        ASSERT_NE(module.Get(), nullptr) << "case: " << c.name;
        ASSERT_EQ(ResourceBytes(module.Get()), c.data) << "case: " << c.name;
        try {
            TFormMain form(nullptr, module.Get());
            ADD_FAILURE() << "case: " << c.name << ": no error";
        } catch (const EFilerError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << "case: " << c.name << ": " << e.what();
        }
        // The anti-freeze made before the failure went with the half-read form.
        EXPECT_EQ(TAntiFreeze::Instance(), nullptr) << "case: " << c.name;
    }
    // A module without the resource at all.
    DataModule kernel(L"kernel32.dll");
    EXPECT_THROW(TFormMain(nullptr, kernel.Get()), EResNotFound);
    TFormMain afterwards(nullptr);
    EXPECT_EQ(afterwards.ComponentCount(), 7);
}
