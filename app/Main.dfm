// The updater's window, TFormMain. The build converts this text to form
// data (formconv) and links it into updater.exe as the RCDATA resource
// TFORMMAIN; TFormMain reads it when it is made. Components are created in
// the order they stand here.
object FormMain: TFormMain
  Left = 325
  Top = 270
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'Talvoria Pemrick - 自动更新'
  ClientHeight = 103
  ClientWidth = 476
  Font.Charset = GB2312_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = '宋体'
  Font.Style = []
  Position = poDesigned
  Scaled = False
  OnClose = FormClose
  OnShow = FormShow
  object Label1: TLabel
    Left = 16
    Top = 42
    Caption = '更新进度：'
  end
  // The status line of the run.
  object Label2: TLabel
    Left = 16
    Top = 20
    AutoSize = True
    Caption = ''
  end
  // The run re-scales the bar to the kilobytes to fetch.
  object ProgressBar1: TProgressBar
    Left = 82
    Top = 41
    Width = 377
    Height = 17
    Min = 0
    Max = 10000
    Position = 0
    TabOrder = 0
  end
  object Button1: TButton
    Left = 213
    Top = 67
    Width = 65
    Height = 20
    Caption = '取消'
    TabOrder = 1
    OnClick = Button1Click
  end
  // The window's skin. Skin3rd keeps the component's own list of class
  // mappings. The package is built from a skin folder by skinpack while
  // building (app/CMakeLists.txt) and stored with its length.
  object SkinData1: TSkinData
    Active = True
    DisableTag = 99
    SkinControls = [xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress, xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab, xcTrackBar, xcSystemMenu]
    Options = [xoPreview, xoToolbarBK, xoCaptionButtonHint]
    SkinFormtype = sfMainform
    SkinStore = '(Good)'
    Version = '5.60.03.29'
    MenuUpdate = True
    MenuMerge = False
    SkinStream = {@counted 'updater_skin.skn'}
  end
  object AntiFreeze1: TAntiFreeze
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 1
    OnTimer = Timer1Timer
  end
end
