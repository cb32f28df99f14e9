// Tab controls: the common control's tab strip (TTabControl), pages on it
// (TPageControl with TTabSheet), a small owned image list for tab images, and
// a tab set of our own (TTabSet) whose tabs hang down from its top edge.
// Windows only.
//
// The tab strip keeps its own selection and keyboard; the objects read it
// back, so TCM_ messages from anyone (a skin, a test) stay in step. A user's
// change (click, keys, Ctrl+Tab) asks OnChanging first and then reports
// OnChange; a change from code (SetTabIndex, SetActivePage) reports nothing.
//
// Ownership: a page belongs to its owner component like any control and sits
// on its page control as a child; freeing a page removes its tab, and a page
// control going away first lets go of its pages (they are freed as its
// children). The image list given to a tab control is borrowed.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/Controls.h"
#include "framework/graphics/Bitmap.h"

// An image list of 24-bit images with a key colour, owned.
class TTabImages {
public:
    TTabImages(int width, int height);
    ~TTabImages();
    TTabImages(const TTabImages&) = delete;
    TTabImages& operator=(const TTabImages&) = delete;
    // Adds the bitmap's pixels (its colour key as transparent); answers the index or -1.
    int Add(const TBitmap& image, TColor key);
    HIMAGELIST Handle() const { return list_; }
    int Count() const;

private:
    HIMAGELIST list_ = nullptr;
};

enum TTabPosition : uint8_t { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle : uint8_t { tsTabs, tsButtons, tsFlatButtons };

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// The shared part of TTabControl and TPageControl: a "SysTabControl32" window.
class TCustomTabControl : public TWinControl {
public:
    explicit TCustomTabControl(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TCustomTabControl"; }

    int TabIndex() const;
    // Selects a tab from code (no events); -1 for none.
    void SetTabIndex(int value);
    TTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition value);
    TTabStyle Style() const { return style_; }
    void SetStyle(TTabStyle value);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool value);
    HIMAGELIST Images() const { return images_; }
    void SetImages(HIMAGELIST value);
    // The area inside the tabs and the border (client coordinates).
    RECT DisplayRect();
    // The tab's rectangle (client coordinates); empty when it has none.
    RECT TabRect(int index);
    // The tab at a client point, or -1.
    int IndexOfTabAt(int x, int y);
    // The next (or previous) tab, wrapping, as a user's change: events and all.
    bool SelectNextTab(bool forward);

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    // The tabs' texts and images, as the window is to show them.
    virtual int ItemCount() const = 0;
    virtual std::wstring ItemText(int index) const = 0;
    virtual int ItemImage(int index) const = 0;
    // Writes every item again (after a change of the list).
    void SyncItems();
    // False: the change is refused.
    virtual bool CanChange();
    virtual void Change();
    void RecreateWindow();
    int selected_ = -1;  // kept while there is no window

private:
    TTabPosition tabPosition_ = tpTop;
    TTabStyle style_ = tsTabs;
    bool multiLine_ = false;
    HIMAGELIST images_ = nullptr;
};

class TTabControl : public TCustomTabControl {
public:
    explicit TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}
    std::wstring ClassName() const override { return L"TTabControl"; }

    int TabCount() const { return static_cast<int>(tabs_.size()); }
    const std::wstring& Tab(int index) const { return tabs_.at(static_cast<size_t>(index)).text; }
    int AddTab(const std::wstring& text, int imageIndex = -1);
    void DeleteTab(int index);
    void SetTabImage(int index, int imageIndex);

protected:
    int ItemCount() const override { return TabCount(); }
    std::wstring ItemText(int index) const override { return Tab(index); }
    int ItemImage(int index) const override { return tabs_.at(static_cast<size_t>(index)).image; }

private:
    struct Item {
        std::wstring text;
        int image;
    };
    std::vector<Item> tabs_;
};

class TPageControl;

// A page: a plain container filled with its colour, shown while active.
class TTabSheet : public TPaintedControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    std::wstring ClassName() const override { return L"TTabSheet"; }

    TPageControl* PageControl() const { return pageControl_; }
    // Puts the page on pc (last) and makes it its child; null takes it off.
    void SetPageControl(TPageControl* pc);
    // A page control as parent makes the page one of its pages.
    void SetParent(TWinControl* parent) override;
    int PageIndex() const;
    void SetPageIndex(int value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);

protected:
    void Paint(HDC dc, const RECT& client) override;
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    int imageIndex_ = -1;
};

class TPageControl : public TCustomTabControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    std::wstring ClassName() const override { return L"TPageControl"; }

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return TabIndex(); }
    void SetActivePageIndex(int value);

    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(TMessage& message) override;

protected:
    void CreateWnd() override;
    int ItemCount() const override { return PageCount(); }
    std::wstring ItemText(int index) const override { return Pages(index)->Caption(); }
    int ItemImage(int index) const override { return Pages(index)->ImageIndex(); }
    void Change() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void MovePage(TTabSheet* page, int index);
    // Sizes every page to the display rectangle and shows only the active one.
    void LayoutPages();
    std::vector<TTabSheet*> pages_;
};

class TTabSetScroller;

// A tab set: tabs side by side hanging from the top edge, each as wide as its
// text plus 9, starting StartMargin from the left. A tab is shown only when it
// fits whole; when some do not, a scroller (a horizontal up-down, the tab
// set's first component) at the right moves the first shown tab.
class TTabSet : public TPaintedControl {
public:
    explicit TTabSet(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TTabSet"; }

    int TabCount() const { return static_cast<int>(tabs_.size()); }
    const std::wstring& Tab(int index) const { return tabs_.at(static_cast<size_t>(index)); }
    int AddTab(const std::wstring& text);
    void DeleteTab(int index);
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int value);
    int FirstIndex() const { return firstIndex_; }
    void SetFirstIndex(int value);
    int StartMargin() const { return startMargin_; }
    void SetStartMargin(int value);
    int EndMargin() const { return endMargin_; }
    void SetEndMargin(int value);
    // The scroller window is shown.
    bool ScrollerVisible() const;
    TTabSetScroller* Scroller() const { return scroller_; }
    // The tabs shown, left to right, with their rectangles (client coordinates).
    struct ShownTab {
        int index;
        RECT rect;
    };
    std::vector<ShownTab> ShownTabs(HDC dc);
    // The width a tab takes: its text's width plus 9.
    int TabWidth(HDC dc, int index) const;

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(TMessage& message) override;

protected:
    void CreateWnd() override;
    void Paint(HDC dc, const RECT& client) override;
    void FontChanged() override;

private:
    void UpdateScroller();
    bool AllFit();
    std::vector<std::wstring> tabs_;
    int tabIndex_ = -1;
    int firstIndex_ = 0;
    int startMargin_ = 5;
    int endMargin_ = 15;
    TTabSetScroller* scroller_ = nullptr;
};

// The tab set's two arrows: a horizontal "msctls_updown32".
class TTabSetScroller : public TWinControl {
public:
    explicit TTabSetScroller(TTabSet* owner);
    std::wstring ClassName() const override { return L"TTabSetScroller"; }
    void SetRange(int count);
    void SetPosition(int value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int count_ = 0;
    int position_ = 0;
};
