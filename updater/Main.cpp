#include "updater/Main.h"

#include <shellapi.h>

#include "framework/system/CodePage.h"
#include "net/AntiFreeze.h"
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

TFormMain::TFormMain(TComponent* AOwner) : TForm(AOwner) {
    SetName(L"FormMain");
    SetCaption(L"Talvoria Pemrick - 自动更新");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetClientWidth(476);
    SetClientHeight(103);
    SetLeft(325);
    SetTop(270);
    SetPosition(poDesigned);
    Font().Name = L"宋体";
    Font().Height = -12;
    Font().Charset = GB2312_CHARSET;
    OnShow = [this](TObject* sender) { FormShow(sender); };
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };

    Label1 = new TLabel(this);
    Label1->SetName(L"Label1");
    Label1->SetParent(this);
    Label1->SetLeft(16);
    Label1->SetTop(42);
    Label1->SetCaption(L"更新进度：");

    Label2 = new TLabel(this);
    Label2->SetName(L"Label2");
    Label2->SetParent(this);
    Label2->SetLeft(16);
    Label2->SetTop(20);
    Label2->SetAutoSize(true);
    Label2->SetCaption(L"");

    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->SetName(L"ProgressBar1");
    ProgressBar1->SetParent(this);
    ProgressBar1->SetBounds(82, 41, 377, 17);
    ProgressBar1->SetMin(0);
    ProgressBar1->SetMax(10000);
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetTabOrder(0);

    Button1 = new TButton(this);
    Button1->SetName(L"Button1");
    Button1->SetParent(this);
    Button1->SetBounds(213, 67, 65, 20);
    Button1->SetCaption(L"取消");
    Button1->SetTabOrder(1);
    Button1->OnClick = [this](TObject* sender) { Button1Click(sender); };

    AntiFreeze1 = std::make_unique<TAntiFreeze>([] { Application->ProcessMessages(); });

    Timer1 = new TTimer(this);
    Timer1->SetName(L"Timer1");
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1);
    Timer1->OnTimer = [this](TObject* sender) { Timer1Timer(sender); };

    UpdateUrl = L"http://" + Utf8ToWide(UPDATER_SERVER) + L"/talvoriaupdate/update_pemrick_2010.txt";
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
    const std::string mainProgram = GetAppPath() + "//Talvoria Pemrick.exe";
    ShellExecuteA(nullptr, "open", mainProgram.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    Close();
}
