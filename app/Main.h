// The updater's window: a status line, a progress bar and a Cancel button.
// Shown, it runs one update (Timer1Timer), starts the main program and closes.
// The window owns the run object; closing cancels a run in progress.
//
// Its layout, components and event bindings come from its form resource
// (RCDATA "TFORMMAIN", made at build time from app/Main.form), read when the
// window object is made; a missing or damaged resource raises EFilerError.
#pragma once

#include <memory>
#include <string>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ProgressBar.h"
#include "framework/controls/TimerAndPanel.h"

class IProgressBar;
class TSkinData;
class IStatusLabel;
class RunLock;
class TAntiFreeze;
class UpdateProcess;

// The application's anti-freeze (net/AntiFreeze.h) as a component of the
// form, so the form data creates it and keeps its settings; it pumps
// Application->ProcessMessages.
class TAntiFreezeComponent : public TComponent {
public:
    explicit TAntiFreezeComponent(TComponent* AOwner);
    ~TAntiFreezeComponent() override;
    std::wstring ClassName() const override { return L"TAntiFreeze"; }

    bool Active() const;
    void SetActive(bool value);
    bool ApplicationHasPriority() const;
    void SetApplicationHasPriority(bool value);
    int IdleTimeOut() const;
    void SetIdleTimeOut(int value);
    bool OnlyWhenIdle() const;
    void SetOnlyWhenIdle(bool value);

    TAntiFreeze& AntiFreeze() { return *antiFreeze_; }

private:
    std::unique_ptr<TAntiFreeze> antiFreeze_;
};

class TFormMain : public TForm {
public:
    explicit TFormMain(TComponent* AOwner);
    // Reads the form resource of another module (tests read updater.exe's).
    TFormMain(TComponent* AOwner, HMODULE resourceModule);
    ~TFormMain() override;
    std::wstring ClassName() const override { return L"TFormMain"; }

    // Set by the form reader from the components of these names.
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TButton* Button1 = nullptr;
    TSkinData* SkinData1 = nullptr;
    TAntiFreezeComponent* AntiFreeze1 = nullptr;
    TTimer* Timer1 = nullptr;

    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void Button1Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);

    // The manifest the run fetches: "http://" UPDATER_SERVER "/talvoriaupdate/update_pemrick_2010.txt".
    std::wstring UpdateUrl;
    // The current run, or null before the first one.
    UpdateProcess* Process() const { return updateProcess.get(); }

private:
    std::unique_ptr<IProgressBar> progressAdapter;
    std::unique_ptr<IStatusLabel> statusAdapter;
    std::unique_ptr<UpdateProcess> updateProcess;
    // Held from the start of the run until the main program has been started.
    std::unique_ptr<RunLock> runLock;
};

extern TFormMain* FormMain;

// Registers the classes of the window's form data (the framework's controls,
// TAntiFreeze, TFormMain with its fields and methods). Idempotent.
void RegisterFormMainClasses();
