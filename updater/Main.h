// The updater's window: a status line, a progress bar and a Cancel button.
// Shown, it runs one update (Timer1Timer), starts the main program and closes.
// The window owns the run object; closing cancels a run in progress.
#pragma once

#include <memory>
#include <string>

#include "framework/controls/ComCtrls.h"
#include "framework/controls/ExtCtrls.h"
#include "framework/controls/Forms.h"
#include "framework/controls/StdCtrls.h"

class IProgressBar;
class IStatusLabel;
class TAntiFreeze;
class UpdateProcess;

class TFormMain : public TForm {
public:
    explicit TFormMain(TComponent* AOwner);
    ~TFormMain() override;
    std::wstring ClassName() const override { return L"TFormMain"; }

    TLabel* Label1;
    TLabel* Label2;
    TProgressBar* ProgressBar1;
    TButton* Button1;
    std::unique_ptr<TAntiFreeze> AntiFreeze1;
    TTimer* Timer1;

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
};

extern TFormMain* FormMain;
