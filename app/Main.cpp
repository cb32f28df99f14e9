#include "app/Main.h"

#include <shellapi.h>

#include "framework/controls/ControlsStreaming.h"
#include "framework/streaming/FormResource.h"
#include "framework/streaming/PublishedProperties.h"
#include "framework/system/CodePage.h"
#include "net/AntiFreeze.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinStreaming.h"
#include "updater/DebugLog.h"
#include "updater/InstallFiles.h"
#include "updater/UpdateProcess.h"
#include "updater/Utils.h"

#ifndef UPDATER_SERVER
#define UPDATER_SERVER "127.0.0.1:8080"
#endif

TFormMain* FormMain = nullptr;

namespace {

class ProgressBarAdapter : public IProgressBar {
public:
    explicit ProgressBarAdapter(TProgressBar& bar) : bar_(bar) {}
    int Max() const override { return bar_.Max(); }
    int Position() const override { return bar_.Position(); }
    void SetMax(int value) override { bar_.SetMax(value); }
    void SetPosition(int value) override { bar_.SetPosition(value); }

private:
    TProgressBar& bar_;
};

// The status line; every text also goes to the debugger output, so a test
// or a demo sees every text a run showed, not only the last one.
class StatusLabelAdapter : public IStatusLabel {
public:
    explicit StatusLabelAdapter(TLabel& label) : label_(label) {}
    void SetCaption(const std::wstring& text) override {
        label_.SetCaption(text);
        OutputDebugStringW((L"updater: status: " + text + L"\n").c_str());
    }

private:
    TLabel& label_;
};

}  // namespace

// ---------------------------------------------------------------- TAntiFreezeComponent

TAntiFreezeComponent::TAntiFreezeComponent(TComponent* AOwner)
    : TComponent(AOwner), antiFreeze_(std::make_unique<TAntiFreeze>([] { Application->ProcessMessages(); })) {}

TAntiFreezeComponent::~TAntiFreezeComponent() = default;

bool TAntiFreezeComponent::Active() const {
    return antiFreeze_->Active;
}
void TAntiFreezeComponent::SetActive(bool value) {
    antiFreeze_->Active = value;
}
bool TAntiFreezeComponent::ApplicationHasPriority() const {
    return antiFreeze_->ApplicationHasPriority;
}
void TAntiFreezeComponent::SetApplicationHasPriority(bool value) {
    antiFreeze_->ApplicationHasPriority = value;
}
int TAntiFreezeComponent::IdleTimeOut() const {
    return antiFreeze_->IdleTimeOut;
}
void TAntiFreezeComponent::SetIdleTimeOut(int value) {
    antiFreeze_->IdleTimeOut = value;
}
bool TAntiFreezeComponent::OnlyWhenIdle() const {
    return antiFreeze_->OnlyWhenIdle;
}
void TAntiFreezeComponent::SetOnlyWhenIdle(bool value) {
    antiFreeze_->OnlyWhenIdle = value;
}

// ---------------------------------------------------------------- TFormMain

void RegisterFormMainClasses() {
    static const bool registered = [] {
        RegisterControlClasses();
        RegisterSkinDataClasses();
        RegisterClassInfo<TAntiFreezeComponent>(L"TAntiFreeze", L"TComponent")
            .Creatable()
            .Bool(L"Active", &TAntiFreezeComponent::Active, &TAntiFreezeComponent::SetActive)
            .Default(true)
            .Bool(L"ApplicationHasPriority", &TAntiFreezeComponent::ApplicationHasPriority,
                  &TAntiFreezeComponent::SetApplicationHasPriority)
            .Default(true)
            .Integer(L"IdleTimeOut", &TAntiFreezeComponent::IdleTimeOut, &TAntiFreezeComponent::SetIdleTimeOut)
            .Default(250)
            .Bool(L"OnlyWhenIdle", &TAntiFreezeComponent::OnlyWhenIdle, &TAntiFreezeComponent::SetOnlyWhenIdle)
            .Default(true);
        RegisterClassInfo<TFormMain>(L"TFormMain", L"TForm")
            .Field(L"Label1", &TFormMain::Label1)
            .Field(L"Label2", &TFormMain::Label2)
            .Field(L"ProgressBar1", &TFormMain::ProgressBar1)
            .Field(L"Button1", &TFormMain::Button1)
            .Field(L"SkinData1", &TFormMain::SkinData1)
            .Field(L"AntiFreeze1", &TFormMain::AntiFreeze1)
            .Field(L"Timer1", &TFormMain::Timer1)
            .Method(L"FormShow", &TFormMain::FormShow)
            .Method(L"FormClose", &TFormMain::FormClose)
            .Method(L"Button1Click", &TFormMain::Button1Click)
            .Method(L"Timer1Timer", &TFormMain::Timer1Timer);
        return true;
    }();
    (void)registered;
}

TFormMain::TFormMain(TComponent* AOwner) : TFormMain(AOwner, nullptr) {}

TFormMain::TFormMain(TComponent* AOwner, HMODULE resourceModule) : TForm(AOwner) {
    RegisterFormMainClasses();
    ReadComponentResource(*this, L"TFORMMAIN", resourceModule);

    // UPDATER_SERVER is host[:port] (spoken to over http) or a full http:// or https:// origin.
    const std::wstring server = Utf8ToWide(UPDATER_SERVER);
    const bool hasScheme = server.rfind(L"http://", 0) == 0 || server.rfind(L"https://", 0) == 0;
    UpdateUrl = (hasScheme ? server : L"http://" + server) + L"/talvoriaupdate/update_pemrick_2010.txt";
    progressAdapter = std::make_unique<ProgressBarAdapter>(*ProgressBar1);
    statusAdapter = std::make_unique<StatusLabelAdapter>(*Label2);
}

TFormMain::~TFormMain() {
    if (updateProcess) {
        updateProcess->Cancel();
        updateProcess.reset();
    }
    if (FormMain == this) FormMain = nullptr;
}

void TFormMain::FormShow(TObject*) {
    Timer1->SetEnabled(true);
}

void TFormMain::FormClose(TObject*, TCloseAction&) {
    if (updateProcess) updateProcess->Cancel();
}

void TFormMain::Button1Click(TObject*) {
    if (updateProcess) updateProcess->Cancel();
    Close();
}

void TFormMain::Timer1Timer(TObject*) {
    // Once per showing: no second run may start inside this one while it pumps messages.
    Timer1->SetEnabled(false);
    // Named before the run: the run may move this very program into the backup folder.
    const std::wstring mainProgram = GetAppPath() + L"//Talvoria Pemrick.exe";
    // One run per directory: the run that holds the lock starts the main
    // program, so another that finds it taken does nothing at all.
    if (!runLock) runLock = RunLock::TryAcquire(GetAppPath());
    if (!runLock) {
        DebugLog(L"updater: another update run holds " + GetAppPath() + L"; this one ends without doing anything");
        Close();
        return;
    }
    updateProcess.reset();
    updateProcess = std::make_unique<UpdateProcess>(UpdateUrl, progressAdapter.get(), statusAdapter.get());

    const int rc = updateProcess->CheckUpdate();
    if (rc > 0) {
        Application->ProcessMessages();
        updateProcess->DoUpdate();
    } else if (rc == 0) {
        statusAdapter->SetCaption(L"已是最新版本，无需升级！");
        Application->ProcessMessages();
        Sleep(1000);
    } else {
        statusAdapter->SetCaption(L"获取更新信息失败！");
        Application->ProcessMessages();
        Sleep(1000);
    }

    // The main program starts whatever the outcome; a failure to start it is not reported.
    ShellExecuteW(nullptr, L"open", mainProgram.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    runLock.reset();
    Close();
}
