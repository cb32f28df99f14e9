// Published properties, registered per class, and the class registry. Portable.
//
// C++ has no run-time description of properties, so each streamed class
// registers its own once (RegisterClassInfo<C>, fluent), naming its parent
// class, whose properties come first. The form reader creates components by
// class name from this registry and sets their properties by name; the
// writer stores them in registration order; code reads and writes them by
// name (GetPropValue / SetPropValue): a missing property gives an empty
// value and changes nothing.
//
// Kinds: integers (optionally with identifiers for some values, as colours
// "clBtnFace" and charsets "GB2312_CHARSET"), booleans, enumerations and sets
// by member name (member i is bit i of a set), strings, string lists, nested
// objects (a font: its properties are stored as "Font.Height"), collections
// of items, and events, stored as the name of a method of the form (the root
// component) they are bound to; a handler that is not such a method is not
// stored. Binary data and any other value a class keeps in its own way is
// defined by the class itself (DefineProperties, see FormReadWrite.h).
//
// A property registered with nullptr as its setter is read-only: code can
// read it, form data neither stores nor sets it.
//
// Registration happens at start-up on one thread; the registry is never
// freed, so it outlives every static destructor. Registering a name twice
// raises EFilerError. A property is written unless it has a declared
// default and equals it, or its Stored predicate says no.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "framework/core/Component.h"
#include "framework/streaming/FormData.h"
#include "framework/system/StreamsAndLists.h"

class TFiler;
class TClassInfo;

enum class TTypeKind : uint8_t {
    tkUnknown,  // no such property
    tkInteger,
    tkBool,
    tkEnumeration,
    tkSet,
    tkString,
    tkStrings,
    tkClass,
    tkCollection,
    tkMethod,
};

// Letters, digits and "_" (any non-ASCII character counts as a letter), not
// starting with a digit.
bool IsValidComponentName(std::wstring_view name);

// Names for some values of an integer property.
struct TIdentMapEntry {
    int64_t Value;
    const wchar_t* Name;
};
using TIdentMap = std::vector<TIdentMapEntry>;
bool IdentToInt(const TIdentMap& map, std::wstring_view ident, int64_t& value);
bool IntToIdent(const TIdentMap& map, int64_t value, std::wstring& ident);
// clBlack ... clWhite, the system colours clScrollBar ... clMenuBar, clNone, clDefault.
const TIdentMap& ColorIdents();
// ANSI_CHARSET ... OEM_CHARSET.
const TIdentMap& CharsetIdents();

// A root method that events can be bound to by name.
struct TMethodEntry {
    std::wstring Name;
    const std::type_info* Signature = nullptr;  // typeid of the std::function type it fits
    // A std::function of that type calling the method on root.
    std::function<std::any(TComponent* root)> Bind;
    // True when *event (a std::function of that type) calls this method on root.
    std::function<bool(const void* event, TComponent* root)> IsBoundTo;
};

// A member of the root that points at one of its components, set when the
// reader creates the component of that name.
struct TFieldEntry {
    std::wstring Name;
    std::function<bool(TComponent* root, TComponent* component)> Set;  // false: wrong class
    std::function<bool(TComponent* root)> IsSet;
};

// Objects pass through the registry as void*: for classes derived from
// TObject a TObject* (checked by dynamic_cast on the way back), for plain
// classes (TFont) a pointer to exactly that class.
struct TPropInfo {
    std::wstring Name;
    TTypeKind Kind = TTypeKind::tkUnknown;
    std::vector<std::wstring> Names;    // enumeration values, set members, by ordinal
    const TIdentMap* Idents = nullptr;  // integer: named values
    int64_t MinValue = 0;               // integer: range of the field
    int64_t MaxValue = 0;
    bool HasDefault = false;            // not written when equal to the default
    int64_t Default = 0;                // ordinal kinds
    std::wstring DefaultText;           // strings (string lists: empty)
    std::function<bool(void*)> Stored;  // not written when false
    bool ReadOnly = false;              // registered with nullptr as setter: never written or read

    std::function<int64_t(void*)> GetOrd;  // integer, bool (0, 1), enumeration, set (bits)
    std::function<void(void*, int64_t)> SetOrd;
    std::function<std::wstring(void*)> GetStr;
    std::function<void(void*, const std::wstring&)> SetStr;
    std::function<TStringList(void*)> GetLines;
    std::function<void(void*, const TStringList&)> SetLines;

    const TClassInfo* ObjectClass = nullptr;   // nested object / collection item class
    std::function<void*(void*)> NestedObject;  // the nested object, owned by the object
    std::function<void(void*)> NestedChanged;  // after a nested property was set
    std::function<int(void*)> ItemCount;
    std::function<void*(void*, int)> Item;
    std::function<void*(void*)> AddItem;
    std::function<void(void*)> ClearItems;

    const std::type_info* EventType = nullptr;  // the std::function type of the event
    std::function<bool(void*)> HasHandler;
    std::function<bool(void*, const TMethodEntry&, TComponent* root)> BindEvent;  // false: signature differs
    std::function<bool(void*, const TMethodEntry&, TComponent* root)> EventIsBoundTo;
    std::function<void(void*)> ClearEvent;
};

class TClassInfo {
public:
    std::wstring Name;
    const TClassInfo* Parent = nullptr;
    const std::type_info* Type = nullptr;
    // Creates a component owned by owner; empty for classes the reader cannot create.
    std::function<TComponent*(TComponent* owner)> Create;
    std::vector<TPropInfo> Props;  // this class's own, in registration order
    std::function<void(void*, TFiler&)> DefineProperties;
    // Placement in a component tree (controls in their parent controls):
    // the component's parent component, and setting it while a form is read.
    std::function<TComponent*(TComponent*)> GetParentComponent;
    std::function<void(TComponent*, TComponent* parent)> SetParentComponent;
    std::vector<TMethodEntry> Methods;
    std::vector<TFieldEntry> Fields;

    // By name, without regard to ASCII case, in this class and then its ancestors.
    const TPropInfo* FindProp(std::wstring_view name) const;
    const TMethodEntry* FindMethod(std::wstring_view name) const;
    // Ancestors' properties first.
    std::vector<const TPropInfo*> AllProps() const;
    bool InheritsFrom(const TClassInfo* other) const;
    // The nearest hook in this class or its ancestors, or null.
    const std::function<TComponent*(TComponent*)>* FindGetParent() const;
    const std::function<void(TComponent*, TComponent*)>* FindSetParent() const;
};

// The class registered under this name (without regard to ASCII case), or null.
const TClassInfo* FindClassInfo(std::wstring_view className);
// The registered class of an object, by its ClassName(), or null.
const TClassInfo* ClassInfoOf(const TObject& object);
// The class registered for a C++ type, or null.
const TClassInfo* ClassInfoOfType(const std::type_info& type);
// Adds an empty class; its parent (empty for none) must be registered already.
TClassInfo& AddClassInfo(std::wstring name, std::wstring_view parentName, const std::type_info& type);

namespace streaming_detail {

template <class C>
void* ErasePtr(C* p) {
    if constexpr (std::is_base_of_v<TObject, C>)
        return static_cast<void*>(static_cast<TObject*>(p));
    else
        return static_cast<void*>(p);
}

[[noreturn]] void ThrowWrongClass(const std::type_info& expected);

template <class C>
C& Unerase(void* p) {
    if constexpr (std::is_base_of_v<TObject, C>) {
        C* c = dynamic_cast<C*>(static_cast<TObject*>(p));
        if (!c) ThrowWrongClass(typeid(C));
        return *c;
    } else {
        return *static_cast<C*>(p);
    }
}

template <class G, class C>
using ValueOf = std::decay_t<std::invoke_result_t<G, C&>>;

template <class V>
constexpr int64_t MinOf() {
    if constexpr (std::is_enum_v<V>)
        return MinOf<std::underlying_type_t<V>>();
    else if constexpr (std::is_same_v<V, bool>)
        return 0;
    else
        return static_cast<int64_t>(std::numeric_limits<V>::min());
}

template <class V>
constexpr int64_t MaxOf() {
    if constexpr (std::is_enum_v<V>)
        return MaxOf<std::underlying_type_t<V>>();
    else if constexpr (std::is_same_v<V, bool>)
        return 1;
    else if constexpr (std::is_unsigned_v<V> && sizeof(V) >= sizeof(int64_t))
        return std::numeric_limits<int64_t>::max();
    else
        return static_cast<int64_t>(std::numeric_limits<V>::max());
}

template <class R>
R* AsPointer(R& r) {
    return &r;
}
template <class R>
R* AsPointer(R* r) {
    return r;
}

// The callable an event holds when it is bound to a method of the root:
// comparable, so the writer can find the method's name again.
template <class C, class... A>
struct TMethodClosure {
    C* self;
    void (C::*method)(A...);
    void operator()(A... args) const { (self->*method)(std::forward<A>(args)...); }
};

// A dotted property name walked down through nested objects. When a name
// is not found the walk stops: Object and Class are where it stopped, Prop
// is null and Rest is the name still to find there.
struct TPropPath {
    void* Object = nullptr;
    const TClassInfo* Class = nullptr;
    const TPropInfo* Prop = nullptr;
    std::wstring Rest;                                      // after a string list: "Strings"
    std::vector<std::pair<void*, const TPropInfo*>> Outer;  // the nested-object properties passed, outermost first
};
TPropPath ResolvePropPath(void* object, const TClassInfo& cls, std::wstring_view name);
// Tells each object passed on the way that its nested object changed, innermost first.
void NotifyNestedChanged(const TPropPath& path);

}  // namespace streaming_detail

template <class C>
class TClassBuilder {
public:
    explicit TClassBuilder(TClassInfo& info) : info_(info) {}
    TClassInfo& Info() { return info_; }

    // The reader may create it: new C(owner).
    TClassBuilder& Creatable() {
        static_assert(std::is_base_of_v<TComponent, C>, "only components are created by the reader");
        info_.Create = [](TComponent* owner) -> TComponent* { return new C(owner); };
        return *this;
    }

    template <class G, class S>
    TClassBuilder& Integer(std::wstring name, G get, S set, const TIdentMap* idents = nullptr) {
        using V = streaming_detail::ValueOf<G, C>;
        static_assert(std::is_integral_v<V> || std::is_enum_v<V>, "an integer property");
        TPropInfo& p = Add(std::move(name), TTypeKind::tkInteger);
        p.Idents = idents;
        p.MinValue = streaming_detail::MinOf<V>();
        p.MaxValue = streaming_detail::MaxOf<V>();
        p.GetOrd = [get](void* o) { return static_cast<int64_t>(std::invoke(get, streaming_detail::Unerase<C>(o))); };
        if constexpr (std::is_null_pointer_v<S>)
            p.ReadOnly = true;
        else
            p.SetOrd = [set](void* o, int64_t v) {
                std::invoke(set, streaming_detail::Unerase<C>(o), static_cast<V>(v));
            };
        return *this;
    }

    template <class G, class S>
    TClassBuilder& Color(std::wstring name, G get, S set) {
        return Integer(std::move(name), get, set, &ColorIdents());
    }

    template <class G, class S>
    TClassBuilder& Bool(std::wstring name, G get, S set) {
        TPropInfo& p = Add(std::move(name), TTypeKind::tkBool);
        p.MinValue = 0;
        p.MaxValue = 1;
        p.GetOrd = [get](void* o) -> int64_t { return std::invoke(get, streaming_detail::Unerase<C>(o)) ? 1 : 0; };
        if constexpr (std::is_null_pointer_v<S>)
            p.ReadOnly = true;
        else
            p.SetOrd = [set](void* o, int64_t v) { std::invoke(set, streaming_detail::Unerase<C>(o), v != 0); };
        return *this;
    }

    // names[i] is the name of the value with ordinal i.
    template <class G, class S>
    TClassBuilder& Enum(std::wstring name, G get, S set, std::vector<std::wstring> names) {
        using V = streaming_detail::ValueOf<G, C>;
        static_assert(std::is_integral_v<V> || std::is_enum_v<V>, "an enumeration property");
        TPropInfo& p = Add(std::move(name), TTypeKind::tkEnumeration);
        p.MinValue = 0;
        p.MaxValue = static_cast<int64_t>(names.size()) - 1;
        p.Names = std::move(names);
        p.GetOrd = [get](void* o) { return static_cast<int64_t>(std::invoke(get, streaming_detail::Unerase<C>(o))); };
        if constexpr (std::is_null_pointer_v<S>)
            p.ReadOnly = true;
        else
            p.SetOrd = [set](void* o, int64_t v) {
                std::invoke(set, streaming_detail::Unerase<C>(o), static_cast<V>(v));
            };
        return *this;
    }

    // A bit mask: member names[i] is bit i.
    template <class G, class S>
    TClassBuilder& Set(std::wstring name, G get, S set, std::vector<std::wstring> names) {
        using V = streaming_detail::ValueOf<G, C>;
        static_assert(std::is_integral_v<V>, "a set property is a bit mask");
        CheckSetSize(names.size(), sizeof(V) * 8);
        TPropInfo& p = Add(std::move(name), TTypeKind::tkSet);
        p.Names = std::move(names);
        p.GetOrd = [get](void* o) {
            return static_cast<int64_t>(static_cast<uint64_t>(std::invoke(get, streaming_detail::Unerase<C>(o))));
        };
        if constexpr (std::is_null_pointer_v<S>)
            p.ReadOnly = true;
        else
            p.SetOrd = [set](void* o, int64_t v) {
                std::invoke(set, streaming_detail::Unerase<C>(o), static_cast<V>(static_cast<uint64_t>(v)));
            };
        return *this;
    }

    template <class G, class S>
    TClassBuilder& String(std::wstring name, G get, S set) {
        TPropInfo& p = Add(std::move(name), TTypeKind::tkString);
        p.GetStr = [get](void* o) { return std::wstring(std::invoke(get, streaming_detail::Unerase<C>(o))); };
        if constexpr (std::is_null_pointer_v<S>)
            p.ReadOnly = true;
        else
            p.SetStr = [set](void* o, const std::wstring& v) { std::invoke(set, streaming_detail::Unerase<C>(o), v); };
        return *this;
    }

    // Stored as "<name>.Strings" with a list of strings.
    template <class G, class S>
    TClassBuilder& Strings(std::wstring name, G get, S set) {
        TPropInfo& p = Add(std::move(name), TTypeKind::tkStrings);
        p.GetLines = [get](void* o) { return TStringList(std::invoke(get, streaming_detail::Unerase<C>(o))); };
        if constexpr (std::is_null_pointer_v<S>)
            p.ReadOnly = true;
        else
            p.SetLines = [set](void* o, const TStringList& v) { std::invoke(set, streaming_detail::Unerase<C>(o), v); };
        return *this;
    }

    // An object the class owns (a font), of the registered class className;
    // get returns a pointer or reference to it, changed (may be null) is
    // called after one of its properties was set.
    template <class G, class Changed = std::nullptr_t>
    TClassBuilder& Object(std::wstring name, std::wstring_view className, G get, Changed changed = nullptr) {
        TPropInfo& p = Add(std::move(name), TTypeKind::tkClass);
        p.ObjectClass = RequireClass(className);
        p.NestedObject = [get](void* o) -> void* {
            return streaming_detail::ErasePtr(
                streaming_detail::AsPointer(std::invoke(get, streaming_detail::Unerase<C>(o))));
        };
        if constexpr (!std::is_same_v<Changed, std::nullptr_t>)
            p.NestedChanged = [changed](void* o) { std::invoke(changed, streaming_detail::Unerase<C>(o)); };
        return *this;
    }

    // A collection of items of the registered class itemClassName (type I):
    // count(C&) -> int, item(C&, int) -> I* or I&, add(C&) -> I* or I&, clear(C&).
    template <class I, class Count, class ItemAt, class AddOne, class ClearAll>
    TClassBuilder& Collection(std::wstring name, std::wstring_view itemClassName, Count count, ItemAt item, AddOne add,
                              ClearAll clear) {
        TPropInfo& p = Add(std::move(name), TTypeKind::tkCollection);
        p.ObjectClass = RequireClass(itemClassName);
        p.ItemCount = [count](void* o) {
            return static_cast<int>(std::invoke(count, streaming_detail::Unerase<C>(o)));
        };
        p.Item = [item](void* o, int i) -> void* {
            I* it = streaming_detail::AsPointer(std::invoke(item, streaming_detail::Unerase<C>(o), i));
            return streaming_detail::ErasePtr(it);
        };
        p.AddItem = [add](void* o) -> void* {
            I* it = streaming_detail::AsPointer(std::invoke(add, streaming_detail::Unerase<C>(o)));
            return streaming_detail::ErasePtr(it);
        };
        p.ClearItems = [clear](void* o) { std::invoke(clear, streaming_detail::Unerase<C>(o)); };
        return *this;
    }

    // An event: slot(C&) gives the std::function member (a pointer to data member will do).
    template <class Slot>
    TClassBuilder& Event(std::wstring name, Slot slot) {
        using E = streaming_detail::ValueOf<Slot, C>;
        TPropInfo& p = Add(std::move(name), TTypeKind::tkMethod);
        p.EventType = &typeid(E);
        p.HasHandler = [slot](void* o) {
            return static_cast<bool>(std::invoke(slot, streaming_detail::Unerase<C>(o)));
        };
        p.BindEvent = [slot](void* o, const TMethodEntry& m, TComponent* root) {
            if (*m.Signature != typeid(E)) return false;
            std::any bound = m.Bind(root);
            std::invoke(slot, streaming_detail::Unerase<C>(o)) = std::any_cast<E>(bound);
            return true;
        };
        p.EventIsBoundTo = [slot](void* o, const TMethodEntry& m, TComponent* root) {
            if (*m.Signature != typeid(E)) return false;
            const E& event = std::invoke(slot, streaming_detail::Unerase<C>(o));
            return m.IsBoundTo(&event, root);
        };
        p.ClearEvent = [slot](void* o) { std::invoke(slot, streaming_detail::Unerase<C>(o)) = nullptr; };
        return *this;
    }

    // Modifiers of the property registered last.
    TClassBuilder& Default(int64_t value) {
        Last().HasDefault = true;
        Last().Default = value;
        return *this;
    }
    TClassBuilder& DefaultText(const wchar_t* text) {
        Last().HasDefault = true;
        Last().DefaultText = text;
        return *this;
    }
    template <class P>
    TClassBuilder& StoredWhen(P predicate) {
        Last().Stored = [predicate](void* o) { return static_cast<bool>(predicate(streaming_detail::Unerase<C>(o))); };
        return *this;
    }

    // A method of this (root) class that events can be bound to by name.
    template <class... A>
    TClassBuilder& Method(std::wstring name, void (C::*method)(A...)) {
        static_assert(std::is_base_of_v<TComponent, C>, "methods belong to a root component");
        using E = std::function<void(A...)>;
        using Closure = streaming_detail::TMethodClosure<C, A...>;
        TMethodEntry m;
        m.Name = std::move(name);
        m.Signature = &typeid(E);
        m.Bind = [method](TComponent* root) -> std::any {
            return E(Closure{&streaming_detail::Unerase<C>(streaming_detail::ErasePtr(root)), method});
        };
        m.IsBoundTo = [method](const void* event, TComponent* root) {
            const auto* closure = static_cast<const E*>(event)->template target<Closure>();
            return closure && closure->method == method && static_cast<TComponent*>(closure->self) == root;
        };
        info_.Methods.push_back(std::move(m));
        return *this;
    }

    // A member pointing at the component of this name, set when the reader creates it.
    template <class T>
    TClassBuilder& Field(std::wstring name, T* C::*member) {
        static_assert(std::is_base_of_v<TComponent, T>, "fields point at components");
        TFieldEntry f;
        f.Name = std::move(name);
        f.Set = [member](TComponent* root, TComponent* component) {
            T* typed = dynamic_cast<T*>(component);
            if (!typed) return false;
            streaming_detail::Unerase<C>(streaming_detail::ErasePtr(root)).*member = typed;
            return true;
        };
        f.IsSet = [member](TComponent* root) {
            return streaming_detail::Unerase<C>(streaming_detail::ErasePtr(root)).*member != nullptr;
        };
        info_.Fields.push_back(std::move(f));
        return *this;
    }

    // The class's own stored values (binary data): define(C&, TFiler&).
    template <class D>
    TClassBuilder& DefineProperties(D define) {
        info_.DefineProperties = [define](void* o, TFiler& filer) {
            std::invoke(define, streaming_detail::Unerase<C>(o), filer);
        };
        return *this;
    }

    // get(C&) -> TComponent* parent; set(C&, TComponent* parent) places it there or raises.
    template <class G, class S>
    TClassBuilder& ParentComponent(G get, S set) {
        static_assert(std::is_base_of_v<TComponent, C>, "components have parents");
        info_.GetParentComponent = [get](TComponent* c) -> TComponent* {
            return std::invoke(get, streaming_detail::Unerase<C>(streaming_detail::ErasePtr(c)));
        };
        info_.SetParentComponent = [set](TComponent* c, TComponent* parent) {
            std::invoke(set, streaming_detail::Unerase<C>(streaming_detail::ErasePtr(c)), parent);
        };
        return *this;
    }

private:
    TPropInfo& Add(std::wstring name, TTypeKind kind);
    TPropInfo& Last();
    static void CheckSetSize(size_t members, size_t bits);
    static const TClassInfo* RequireClass(std::wstring_view name);

    TClassInfo& info_;
};

void CheckNewProperty(const TClassInfo& info, const std::wstring& name);
[[noreturn]] void ThrowNoProperty(const TClassInfo& info);

template <class C>
TPropInfo& TClassBuilder<C>::Add(std::wstring name, TTypeKind kind) {
    CheckNewProperty(info_, name);
    info_.Props.emplace_back();
    TPropInfo& p = info_.Props.back();
    p.Name = std::move(name);
    p.Kind = kind;
    return p;
}

template <class C>
TPropInfo& TClassBuilder<C>::Last() {
    if (info_.Props.empty()) ThrowNoProperty(info_);
    return info_.Props.back();
}

template <class C>
void TClassBuilder<C>::CheckSetSize(size_t members, size_t bits) {
    if (members > bits || members > 64) throw EFilerError(L"A set property has more members than its bit mask holds");
}

template <class C>
const TClassInfo* TClassBuilder<C>::RequireClass(std::wstring_view name) {
    const TClassInfo* info = FindClassInfo(name);
    if (!info) throw EFilerError(L"Class " + std::wstring(name) + L" must be registered first");
    return info;
}

// Registers class C under name with the registered parent class (empty for none).
template <class C>
TClassBuilder<C> RegisterClassInfo(std::wstring name, std::wstring_view parentName) {
    return TClassBuilder<C>(AddClassInfo(std::move(name), parentName, typeid(C)));
}

// ---------------------------------------------------------------- properties by name

// A property's value. Text is the value as the form text shows it: the
// number, "True"/"False", the enumeration value's name, set members as
// "a,b", the string, the lines joined by CR LF, the name of the method an
// event is bound to.
struct TPropValue {
    TTypeKind Kind = TTypeKind::tkUnknown;  // tkUnknown: no such property
    int64_t Ordinal = 0;                    // integer, bool, enumeration ordinal, set bits; item count
    std::wstring Text;
    TStringList Lines;       // string lists
    void* Object = nullptr;  // nested objects (as the registry passes them)
    const TClassInfo* ObjectClass = nullptr;
    bool IsEmpty() const { return Kind == TTypeKind::tkUnknown; }
};

// name may go into nested objects: "Font.Height".
const TPropInfo* FindPropInfo(const TObject& object, std::wstring_view name);
TPropValue GetPropValue(TObject& object, std::wstring_view name);
// Sets from value.Ordinal (ordinal kinds; an enumeration from value.Text when
// it is not empty), value.Text (strings, events: a method of the owner),
// value.Lines or value.Object (a nested object of the same class: its
// properties are copied). False, and nothing changed, when there is no such
// property or the value does not fit it.
bool SetPropValue(TObject& object, std::wstring_view name, const TPropValue& value);
// The value as text (TPropValue::Text), and setting from such a text
// (sets as "a,b" or "[a, b]"). Missing: empty text / false.
std::wstring GetPropText(TObject& object, std::wstring_view name);
bool SetPropText(TObject& object, std::wstring_view name, std::wstring_view text);

// The nested object of type T behind a property ("Font"), or null.
template <class T>
T* GetObjectProp(TObject& object, std::wstring_view name) {
    const TPropValue v = GetPropValue(object, name);
    const TClassInfo* wanted = ClassInfoOfType(typeid(T));
    if (v.Kind != TTypeKind::tkClass || !v.Object || !wanted || !v.ObjectClass->InheritsFrom(wanted)) return nullptr;
    return &streaming_detail::Unerase<T>(v.Object);
}
