// Components with a property of every kind, for the streaming tests and the
// form data fuzz target. TTestForm is the root; widgets nest inside widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Canvas.h"
#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/PublishedProperties.h"

enum TTestMode : uint8_t { tmOff, tmSlow, tmFast };
enum : uint32_t { toA = 1, toB = 2, toC = 4, toD = 8, toE = 16 };

using TQueryEvent = std::function<void(TObject* Sender, int& Answer)>;

class TTestItem : public TObject {
public:
    std::wstring ClassName() const override { return L"TTestItem"; }
    std::wstring Name;
    int Size = 0;
    std::vector<uint8_t> Data;  // stored as the binary property "DataStream", always
};

class TTestWidget : public TComponent {
public:
    explicit TTestWidget(TComponent* owner) : TComponent(owner) {}
    std::wstring ClassName() const override { return L"TTestWidget"; }

    int Count = 0;
    int64_t Big = 0;
    bool Flag = false;
    TTestMode Mode = tmOff;
    uint32_t Options = 0;
    std::wstring Title;
    TStringList Lines;
    TColor Color = clBtnFace;
    TFont Font;
    TNotifyEvent OnChange;
    TQueryEvent OnQuery;
    std::vector<std::unique_ptr<TTestItem>> Items;
    std::vector<uint8_t> Payload;  // "Payload": a 32-bit count, then the bytes; only when not empty
    TTestWidget* ParentWidget = nullptr;

    int FontChanges = 0;
    // What Loaded saw: how often it ran, whether csLoading was still set,
    // how many components the owner had then.
    int LoadedCalls = 0;
    bool LoadingAtLoaded = false;
    int ComponentsAtLoaded = -1;
    static inline std::vector<std::wstring>* LoadedLog = nullptr;

    void Loaded() override {
        ++LoadedCalls;
        LoadingAtLoaded = (ComponentState() & csLoading) != 0;
        ComponentsAtLoaded = Owner() ? Owner()->ComponentCount() : ComponentCount();
        if (LoadedLog) LoadedLog->push_back(Name());
        TComponent::Loaded();
    }
};

class TTestForm : public TTestWidget {
public:
    explicit TTestForm(TComponent* owner) : TTestWidget(owner) {}
    std::wstring ClassName() const override { return L"TTestForm"; }

    TTestWidget* First = nullptr;  // field, bound by name

    int Changes = 0;
    void WidgetChange(TObject*) { ++Changes; }
    void FormQuery(TObject*, int& answer) { answer = 42; }
};

// A component that sits in no parent.
class TTestPlain : public TComponent {
public:
    explicit TTestPlain(TComponent* owner) : TComponent(owner) {}
    std::wstring ClassName() const override { return L"TTestPlain"; }
};

inline void RegisterTestClasses() {
    static const bool registered = [] {
        RegisterClassInfo<TTestItem>(L"TTestItem", L"")
            .String(
                L"Name", [](TTestItem& i) { return i.Name; }, [](TTestItem& i, const std::wstring& v) { i.Name = v; })
            .Integer(
                L"Size", [](TTestItem& i) { return i.Size; }, [](TTestItem& i, int v) { i.Size = v; })
            .DefineProperties([](TTestItem& item, TFiler& filer) {
                filer.DefineBinaryProperty(
                    L"DataStream",
                    [&item](TStream& s) {
                        item.Data.assign(static_cast<size_t>(s.Size()), 0);
                        s.ReadBuffer(item.Data.data(), s.Size());
                    },
                    [&item](TStream& s) { s.WriteBuffer(item.Data.data(), static_cast<int64_t>(item.Data.size())); },
                    true);
            });

        RegisterClassInfo<TTestWidget>(L"TTestWidget", L"TComponent")
            .Creatable()
            .Integer(
                L"Count", [](TTestWidget& w) { return w.Count; }, [](TTestWidget& w, int v) { w.Count = v; })
            .Default(0)
            .Integer(
                L"Big", [](TTestWidget& w) { return w.Big; }, [](TTestWidget& w, int64_t v) { w.Big = v; })
            .Bool(
                L"Flag", [](TTestWidget& w) { return w.Flag; }, [](TTestWidget& w, bool v) { w.Flag = v; })
            .Default(false)
            .Enum(
                L"Mode", [](TTestWidget& w) { return w.Mode; }, [](TTestWidget& w, TTestMode v) { w.Mode = v; },
                {L"tmOff", L"tmSlow", L"tmFast"})
            .Default(tmOff)
            .Set(
                L"Options", [](TTestWidget& w) { return w.Options; }, [](TTestWidget& w, uint32_t v) { w.Options = v; },
                {L"toA", L"toB", L"toC", L"toD", L"toE"})
            .String(
                L"Title", [](TTestWidget& w) { return w.Title; },
                [](TTestWidget& w, const std::wstring& v) { w.Title = v; })
            .Strings(
                L"Lines", [](TTestWidget& w) { return w.Lines; },
                [](TTestWidget& w, const TStringList& v) { w.Lines = v; })
            .Color(
                L"Color", [](TTestWidget& w) { return w.Color; }, [](TTestWidget& w, TColor v) { w.Color = v; })
            .Object(
                L"Font", L"TFont", [](TTestWidget& w) -> TFont& { return w.Font; },
                [](TTestWidget& w) { ++w.FontChanges; })
            .Collection<TTestItem>(
                L"Items", L"TTestItem", [](TTestWidget& w) { return static_cast<int>(w.Items.size()); },
                [](TTestWidget& w, int i) { return w.Items[static_cast<size_t>(i)].get(); },
                [](TTestWidget& w) {
                    w.Items.push_back(std::make_unique<TTestItem>());
                    return w.Items.back().get();
                },
                [](TTestWidget& w) { w.Items.clear(); })
            .Integer(
                L"ItemCount", [](TTestWidget& w) { return static_cast<int>(w.Items.size()); }, nullptr)
            .Event(L"OnChange", &TTestWidget::OnChange)
            .Event(L"OnQuery", &TTestWidget::OnQuery)
            .DefineProperties([](TTestWidget& w, TFiler& filer) {
                filer.DefineBinaryProperty(
                    L"Payload", [&w](TStream& s) { w.Payload = ReadCountedBlock(s); },
                    [&w](TStream& s) { WriteCountedBlock(s, w.Payload.data(), w.Payload.size()); }, !w.Payload.empty());
            })
            .ParentComponent([](TTestWidget& w) -> TComponent* { return w.ParentWidget; },
                             [](TTestWidget& w, TComponent* parent) {
                                 if (auto* p = dynamic_cast<TTestWidget*>(parent))
                                     w.ParentWidget = p;
                                 else if (parent != w.Owner())
                                     throw EFrameworkError(L"widgets go inside widgets");
                             });

        RegisterClassInfo<TTestForm>(L"TTestForm", L"TTestWidget")
            .Field(L"First", &TTestForm::First)
            .Method(L"WidgetChange", &TTestForm::WidgetChange)
            .Method(L"FormQuery", &TTestForm::FormQuery);

        RegisterClassInfo<TTestPlain>(L"TTestPlain", L"TComponent").Creatable();
        return true;
    }();
    (void)registered;
}
