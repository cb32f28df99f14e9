#include "framework/streaming/PublishedProperties.h"

#include <map>
#include <memory>

#include "framework/graphics/Canvas.h"
#include "framework/graphics/Color.h"
#include "framework/system/CodePage.h"

namespace {

struct Registry {
    std::map<std::wstring, std::unique_ptr<TClassInfo>> byName;  // lower-case ASCII names
    std::vector<std::pair<const std::type_info*, const TClassInfo*>> byType;
};

Registry& TheRegistry() {
    // Never destroyed: forms may be written or read by static destructors at exit.
    static auto* registry = new Registry;
    return *registry;
}

void RegisterBuiltins();

void EnsureBuiltins() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterBuiltins();
}

std::vector<std::wstring> SplitSetText(std::wstring_view text) {
    std::vector<std::wstring> names;
    std::wstring current;
    for (wchar_t c : text) {
        if (c == L'[' || c == L']' || c == L' ' || c == L'\t') continue;
        if (c == L',') {
            names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty() || !names.empty()) names.push_back(current);
    return names;
}

bool ParseInteger(std::wstring_view text, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    int base = 10;
    if (i < text.size() && text[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        int d = c >= L'0' && c <= L'9'   ? c - L'0'
                : c >= L'a' && c <= L'f' ? c - L'a' + 10
                : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                         : 99;
        if (d >= base) return false;
        if (v > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    if (negative) {
        if (v > static_cast<uint64_t>(INT64_MAX) + 1) return false;
        value = static_cast<int64_t>(0 - v);
    } else {
        if (v > static_cast<uint64_t>(INT64_MAX)) return false;
        value = static_cast<int64_t>(v);
    }
    return true;
}

int FindName(const std::vector<std::wstring>& names, std::wstring_view name) {
    for (size_t i = 0; i < names.size(); ++i)
        if (SameTextAscii(names[i], name)) return static_cast<int>(i);
    return -1;
}

// Where events look for methods by name: the component itself (a form's own
// events), then its owner (the form of a control).
const TMethodEntry* FindMethodFor(TObject& object, std::wstring_view name, TComponent*& root) {
    auto* component = dynamic_cast<TComponent*>(&object);
    for (TComponent* candidate : {component, component ? component->Owner() : nullptr}) {
        if (!candidate) continue;
        const TClassInfo* info = ClassInfoOf(*candidate);
        if (!info) continue;
        if (const TMethodEntry* m = info->FindMethod(name)) {
            root = candidate;
            return m;
        }
    }
    return nullptr;
}

std::wstring BoundMethodName(TObject& object, void* erased, const TPropInfo& prop) {
    auto* component = dynamic_cast<TComponent*>(&object);
    for (TComponent* candidate : {component, component ? component->Owner() : nullptr}) {
        if (!candidate) continue;
        for (const TClassInfo* c = ClassInfoOf(*candidate); c; c = c->Parent)
            for (const TMethodEntry& m : c->Methods)
                if (prop.EventIsBoundTo(erased, m, candidate)) return m.Name;
    }
    return L"";
}

void CopyNested(void* target, void* source, const TClassInfo& cls) {
    for (const TPropInfo* p : cls.AllProps()) {
        if (p->ReadOnly) continue;
        switch (p->Kind) {
            case TTypeKind::tkInteger:
            case TTypeKind::tkBool:
            case TTypeKind::tkEnumeration:
            case TTypeKind::tkSet: p->SetOrd(target, p->GetOrd(source)); break;
            case TTypeKind::tkString: p->SetStr(target, p->GetStr(source)); break;
            case TTypeKind::tkStrings: p->SetLines(target, p->GetLines(source)); break;
            case TTypeKind::tkClass:
                CopyNested(p->NestedObject(target), p->NestedObject(source), *p->ObjectClass);
                break;
            default: break;
        }
    }
}

// ---------------------------------------------------------------- built-in classes

const std::vector<std::wstring> kFontStyles{L"fsBold", L"fsItalic", L"fsUnderline", L"fsStrikeOut"};

void RegisterBuiltins() {
    RegisterClassInfo<TComponent>(L"TComponent", L"")
        // The name is stored in the component's header, not as a property;
        // set by name it keeps the rules the reader keeps.
        .String(L"Name", &TComponent::Name,
                [](TComponent& c, const std::wstring& name) {
                    if (!name.empty() && !IsValidComponentName(name))
                        throw EFilerError(L"\"" + name + L"\" is not a valid component name");
                    const TComponent* same = c.Owner() && !name.empty() ? c.Owner()->FindComponent(name) : nullptr;
                    if (same && same != &c) throw EFilerError(L"A component named " + name + L" already exists");
                    c.SetName(name);
                })
        .StoredWhen([](const TComponent&) { return false; })
        .Integer(L"Tag", &TComponent::Tag, &TComponent::SetTag)
        .Default(0);

    RegisterClassInfo<TFont>(L"TFont", L"")
        .Integer(
            L"Charset", [](const TFont& f) { return f.Charset; }, [](TFont& f, uint8_t v) { f.Charset = v; },
            &CharsetIdents())
        .Color(
            L"Color", [](const TFont& f) { return f.Color; }, [](TFont& f, TColor v) { f.Color = v; })
        .Integer(
            L"Height", [](const TFont& f) { return f.Height; }, [](TFont& f, int v) { f.Height = v; })
        .String(
            L"Name", [](const TFont& f) { return f.Name; }, [](TFont& f, const std::wstring& v) { f.Name = v; })
        // Size and Height say the same; Height is what is stored.
        .Integer(L"Size", &TFont::Size, &TFont::SetSize)
        .StoredWhen([](const TFont&) { return false; })
        .Set(
            L"Style", [](const TFont& f) { return f.Style; }, [](TFont& f, uint8_t v) { f.Style = v; }, kFontStyles);
}

}  // namespace

// ---------------------------------------------------------------- identifiers

bool IsValidComponentName(std::wstring_view name) {
    if (name.empty() || (name[0] >= L'0' && name[0] <= L'9')) return false;
    for (wchar_t c : name) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
                        static_cast<uint32_t>(c) >= 0x80;
        if (!ok) return false;
    }
    return true;
}

bool IdentToInt(const TIdentMap& map, std::wstring_view ident, int64_t& value) {
    for (const auto& e : map)
        if (SameTextAscii(e.Name, ident)) {
            value = e.Value;
            return true;
        }
    return false;
}

bool IntToIdent(const TIdentMap& map, int64_t value, std::wstring& ident) {
    for (const auto& e : map)
        if (e.Value == value) {
            ident = e.Name;
            return true;
        }
    return false;
}

const TIdentMap& ColorIdents() {
    static const TIdentMap map{
        {clBlack, L"clBlack"},
        {clMaroon, L"clMaroon"},
        {clGreen, L"clGreen"},
        {clOlive, L"clOlive"},
        {clNavy, L"clNavy"},
        {clPurple, L"clPurple"},
        {clTeal, L"clTeal"},
        {clGray, L"clGray"},
        {clSilver, L"clSilver"},
        {clRed, L"clRed"},
        {clLime, L"clLime"},
        {clYellow, L"clYellow"},
        {clBlue, L"clBlue"},
        {clFuchsia, L"clFuchsia"},
        {clAqua, L"clAqua"},
        {clWhite, L"clWhite"},
        {clScrollBar, L"clScrollBar"},
        {clBackground, L"clBackground"},
        {clActiveCaption, L"clActiveCaption"},
        {clInactiveCaption, L"clInactiveCaption"},
        {clMenu, L"clMenu"},
        {clWindow, L"clWindow"},
        {clWindowFrame, L"clWindowFrame"},
        {clMenuText, L"clMenuText"},
        {clWindowText, L"clWindowText"},
        {clCaptionText, L"clCaptionText"},
        {clActiveBorder, L"clActiveBorder"},
        {clInactiveBorder, L"clInactiveBorder"},
        {clAppWorkSpace, L"clAppWorkSpace"},
        {clHighlight, L"clHighlight"},
        {clHighlightText, L"clHighlightText"},
        {clBtnFace, L"clBtnFace"},
        {clBtnShadow, L"clBtnShadow"},
        {clGrayText, L"clGrayText"},
        {clBtnText, L"clBtnText"},
        {clInactiveCaptionText, L"clInactiveCaptionText"},
        {clBtnHighlight, L"clBtnHighlight"},
        {cl3DDkShadow, L"cl3DDkShadow"},
        {cl3DLight, L"cl3DLight"},
        {clInfoText, L"clInfoText"},
        {clInfoBk, L"clInfoBk"},
        {clHotLight, L"clHotLight"},
        {clGradientActiveCaption, L"clGradientActiveCaption"},
        {clGradientInactiveCaption, L"clGradientInactiveCaption"},
        {clMenuHighlight, L"clMenuHighlight"},
        {clMenuBar, L"clMenuBar"},
        {clNone, L"clNone"},
        {clDefault, L"clDefault"},
    };
    return map;
}

const TIdentMap& CharsetIdents() {
    static const TIdentMap map{
        {0, L"ANSI_CHARSET"},      {1, L"DEFAULT_CHARSET"},    {2, L"SYMBOL_CHARSET"},
        {77, L"MAC_CHARSET"},      {128, L"SHIFTJIS_CHARSET"}, {129, L"HANGEUL_CHARSET"},
        {130, L"JOHAB_CHARSET"},   {134, L"GB2312_CHARSET"},   {136, L"CHINESEBIG5_CHARSET"},
        {161, L"GREEK_CHARSET"},   {162, L"TURKISH_CHARSET"},  {163, L"VIETNAMESE_CHARSET"},
        {177, L"HEBREW_CHARSET"},  {178, L"ARABIC_CHARSET"},   {186, L"BALTIC_CHARSET"},
        {204, L"RUSSIAN_CHARSET"}, {222, L"THAI_CHARSET"},     {238, L"EASTEUROPE_CHARSET"},
        {255, L"OEM_CHARSET"},
    };
    return map;
}

// ---------------------------------------------------------------- classes

const TPropInfo* TClassInfo::FindProp(std::wstring_view name) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TPropInfo& p : c->Props)
            if (SameTextAscii(p.Name, name)) return &p;
    return nullptr;
}

const TMethodEntry* TClassInfo::FindMethod(std::wstring_view name) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TMethodEntry& m : c->Methods)
            if (SameTextAscii(m.Name, name)) return &m;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent) chain.push_back(c);
    std::vector<const TPropInfo*> props;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->Props) props.push_back(&p);
    return props;
}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == other) return true;
    return false;
}

const std::function<TComponent*(TComponent*)>* TClassInfo::FindGetParent() const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c->GetParentComponent) return &c->GetParentComponent;
    return nullptr;
}

const std::function<void(TComponent*, TComponent*)>* TClassInfo::FindSetParent() const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c->SetParentComponent) return &c->SetParentComponent;
    return nullptr;
}

const TClassInfo* FindClassInfo(std::wstring_view className) {
    EnsureBuiltins();
    const auto& map = TheRegistry().byName;
    const auto it = map.find(LowerCaseAscii(className));
    return it == map.end() ? nullptr : it->second.get();
}

const TClassInfo* ClassInfoOf(const TObject& object) {
    return FindClassInfo(object.ClassName());
}

const TClassInfo* ClassInfoOfType(const std::type_info& type) {
    EnsureBuiltins();
    for (const auto& [t, info] : TheRegistry().byType)
        if (*t == type) return info;
    return nullptr;
}

TClassInfo& AddClassInfo(std::wstring name, std::wstring_view parentName, const std::type_info& type) {
    EnsureBuiltins();
    Registry& r = TheRegistry();
    std::wstring key = LowerCaseAscii(name);
    if (name.empty() || r.byName.count(key)) throw EFilerError(L"Class " + name + L" is already registered");
    const TClassInfo* parent = nullptr;
    if (!parentName.empty()) {
        parent = FindClassInfo(parentName);
        if (!parent) throw EFilerError(L"Class " + std::wstring(parentName) + L" must be registered before " + name);
    }
    auto info = std::make_unique<TClassInfo>();
    info->Name = std::move(name);
    info->Parent = parent;
    info->Type = &type;
    TClassInfo& result = *info;
    r.byName.emplace(std::move(key), std::move(info));
    r.byType.emplace_back(&type, &result);
    return result;
}

void CheckNewProperty(const TClassInfo& info, const std::wstring& name) {
    if (name.empty() || info.FindProp(name))
        throw EFilerError(L"Property " + name + L" of " + info.Name + L" is registered twice");
}

void ThrowNoProperty(const TClassInfo& info) {
    throw EFilerError(L"A modifier without a property in the registration of " + info.Name);
}

void streaming_detail::ThrowWrongClass(const std::type_info& expected) {
    throw EFilerError(L"Object of the wrong class for a property accessor (" + AnsiToWide(expected.name()) + L")");
}

// ---------------------------------------------------------------- paths

streaming_detail::TPropPath streaming_detail::ResolvePropPath(void* object, const TClassInfo& cls,
                                                              std::wstring_view name) {
    TPropPath path;
    path.Object = object;
    path.Class = &cls;
    std::wstring_view rest = name;
    for (;;) {
        const size_t dot = rest.find(L'.');
        const std::wstring_view head = rest.substr(0, dot);
        const TPropInfo* p = path.Class->FindProp(head);
        if (!p) {
            path.Rest = std::wstring(rest);
            return path;
        }
        if (dot == std::wstring_view::npos) {
            path.Prop = p;
            return path;
        }
        const std::wstring_view tail = rest.substr(dot + 1);
        if (p->Kind == TTypeKind::tkStrings && SameTextAscii(tail, L"Strings")) {
            path.Prop = p;
            path.Rest = std::wstring(tail);
            return path;
        }
        if (p->Kind != TTypeKind::tkClass) {
            path.Rest = std::wstring(rest);
            return path;
        }
        path.Outer.emplace_back(path.Object, p);
        path.Object = p->NestedObject(path.Object);
        path.Class = p->ObjectClass;
        rest = tail;
    }
}

void streaming_detail::NotifyNestedChanged(const TPropPath& path) {
    for (auto it = path.Outer.rbegin(); it != path.Outer.rend(); ++it)
        if (it->second->NestedChanged) it->second->NestedChanged(it->first);
}

// ---------------------------------------------------------------- properties by name

namespace {

// The property behind a name for code: the whole name must resolve.
bool ResolveForCode(TObject& object, std::wstring_view name, streaming_detail::TPropPath& path) {
    const TClassInfo* cls = ClassInfoOf(object);
    if (!cls) return false;
    path = streaming_detail::ResolvePropPath(streaming_detail::ErasePtr(&object), *cls, name);
    return path.Prop && path.Rest.empty();
}

}  // namespace

const TPropInfo* FindPropInfo(const TObject& object, std::wstring_view name) {
    streaming_detail::TPropPath path;
    return ResolveForCode(const_cast<TObject&>(object), name, path) ? path.Prop : nullptr;
}

TPropValue GetPropValue(TObject& object, std::wstring_view name) {
    TPropValue v;
    streaming_detail::TPropPath path;
    if (!ResolveForCode(object, name, path)) return v;
    const TPropInfo& p = *path.Prop;
    void* o = path.Object;
    v.Kind = p.Kind;
    switch (p.Kind) {
        case TTypeKind::tkInteger:
            v.Ordinal = p.GetOrd(o);
            if (!p.Idents || !IntToIdent(*p.Idents, v.Ordinal, v.Text)) v.Text = IntToStr(v.Ordinal);
            break;
        case TTypeKind::tkBool:
            v.Ordinal = p.GetOrd(o);
            v.Text = v.Ordinal ? L"True" : L"False";
            break;
        case TTypeKind::tkEnumeration:
            v.Ordinal = p.GetOrd(o);
            if (v.Ordinal >= 0 && v.Ordinal < static_cast<int64_t>(p.Names.size()))
                v.Text = p.Names[static_cast<size_t>(v.Ordinal)];
            else
                v.Text = IntToStr(v.Ordinal);
            break;
        case TTypeKind::tkSet:
            v.Ordinal = p.GetOrd(o);
            for (size_t i = 0; i < p.Names.size(); ++i)
                if (static_cast<uint64_t>(v.Ordinal) >> i & 1) {
                    if (!v.Text.empty()) v.Text += L',';
                    v.Text += p.Names[i];
                }
            break;
        case TTypeKind::tkString: v.Text = p.GetStr(o); break;
        case TTypeKind::tkStrings:
            v.Lines = p.GetLines(o);
            v.Text = v.Lines.Text();
            break;
        case TTypeKind::tkClass:
            v.Object = p.NestedObject(o);
            v.ObjectClass = p.ObjectClass;
            break;
        case TTypeKind::tkCollection: v.Ordinal = p.ItemCount(o); break;
        case TTypeKind::tkMethod:
            v.Ordinal = p.HasHandler(o) ? 1 : 0;
            if (v.Ordinal) v.Text = BoundMethodName(object, o, p);
            break;
        case TTypeKind::tkUnknown: break;
    }
    return v;
}

bool SetPropValue(TObject& object, std::wstring_view name, const TPropValue& value) {
    streaming_detail::TPropPath path;
    if (!ResolveForCode(object, name, path) || path.Prop->ReadOnly) return false;
    const TPropInfo& p = *path.Prop;
    void* o = path.Object;
    switch (p.Kind) {
        case TTypeKind::tkInteger:
        case TTypeKind::tkBool: {
            int64_t v = value.Ordinal;
            if (p.Kind == TTypeKind::tkBool) v = v != 0;
            if (v < p.MinValue || v > p.MaxValue) return false;
            p.SetOrd(o, v);
            break;
        }
        case TTypeKind::tkEnumeration: {
            int64_t v = value.Ordinal;
            if (!value.Text.empty()) v = FindName(p.Names, value.Text);
            if (v < 0 || v >= static_cast<int64_t>(p.Names.size())) return false;
            p.SetOrd(o, v);
            break;
        }
        case TTypeKind::tkSet: {
            const uint64_t bits = static_cast<uint64_t>(value.Ordinal);
            if (p.Names.size() < 64 && bits >> p.Names.size()) return false;
            p.SetOrd(o, value.Ordinal);
            break;
        }
        case TTypeKind::tkString: p.SetStr(o, value.Text); break;
        case TTypeKind::tkStrings: p.SetLines(o, value.Lines); break;
        case TTypeKind::tkClass:
            if (!value.Object || !value.ObjectClass || !value.ObjectClass->InheritsFrom(p.ObjectClass)) return false;
            CopyNested(p.NestedObject(o), value.Object, *p.ObjectClass);
            if (p.NestedChanged) p.NestedChanged(o);
            break;
        case TTypeKind::tkMethod: {
            if (value.Text.empty()) {
                p.ClearEvent(o);
                break;
            }
            TComponent* root = nullptr;
            const TMethodEntry* m = FindMethodFor(object, value.Text, root);
            if (!m || !p.BindEvent(o, *m, root)) return false;
            break;
        }
        case TTypeKind::tkCollection:
        case TTypeKind::tkUnknown: return false;
    }
    streaming_detail::NotifyNestedChanged(path);
    return true;
}

std::wstring GetPropText(TObject& object, std::wstring_view name) {
    return GetPropValue(object, name).Text;
}

bool SetPropText(TObject& object, std::wstring_view name, std::wstring_view text) {
    const TPropInfo* p = FindPropInfo(object, name);
    if (!p) return false;
    TPropValue v;
    v.Kind = p->Kind;
    switch (p->Kind) {
        case TTypeKind::tkInteger:
            if (!(p->Idents && IdentToInt(*p->Idents, text, v.Ordinal)) && !ParseInteger(text, v.Ordinal)) return false;
            break;
        case TTypeKind::tkBool:
            if (SameTextAscii(text, L"True"))
                v.Ordinal = 1;
            else if (SameTextAscii(text, L"False"))
                v.Ordinal = 0;
            else
                return false;
            break;
        case TTypeKind::tkEnumeration:
            if (text.empty()) return false;
            v.Text = std::wstring(text);
            break;
        case TTypeKind::tkSet: {
            uint64_t bits = 0;
            for (const std::wstring& member : SplitSetText(text)) {
                const int i = FindName(p->Names, member);
                if (i < 0) return false;
                bits |= uint64_t{1} << i;
            }
            v.Ordinal = static_cast<int64_t>(bits);
            break;
        }
        case TTypeKind::tkString:
        case TTypeKind::tkMethod: v.Text = std::wstring(text); break;
        case TTypeKind::tkStrings: v.Lines.SetText(text); break;
        default: return false;
    }
    return SetPropValue(object, name, v);
}
