#include "framework/streaming/FormReadWrite.h"

#include <limits>

namespace {

// Components inside components, collections inside collection items: far
// beyond any real form, low enough that hostile data cannot exhaust the stack.
constexpr int kMaxDepth = 64;

std::wstring FromUtf8(const std::string& text) {
    return Utf16ToWide(Utf8ToUtf16(text));
}

std::string ToUtf8(const std::wstring& text) {
    return Utf16ToUtf8(WideToUtf16(text));
}

std::vector<const TClassInfo*> RootFirst(const TClassInfo& cls) {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = &cls; c; c = c->Parent) chain.insert(chain.begin(), c);
    return chain;
}

}  // namespace

// ---------------------------------------------------------------- reader

TReader::TReader(const uint8_t* data, size_t size) : in_(data, size) {}

void TReader::ReadRootComponent(TComponent& root) {
    root_ = &root;
    loaded_.clear();
    in_.ReadSignature();
    ReadComponent(nullptr, 0);
    // The root's code uses its fields without looking: each must have its component.
    for (const TClassInfo* c = ClassInfoOf(root); c; c = c->Parent)
        for (const TFieldEntry& f : c->Fields)
            if (!f.IsSet(&root))
                throw EFormReadError(L"Component " + f.Name + L" is missing from the form data of " + root.ClassName());
    const std::vector<TComponent*> loaded = loaded_;
    for (TComponent* c : loaded) c->Loaded();
}

TComponent* TReader::ReadComponent(TComponent* parent, int depth) {
    if (depth > kMaxDepth) throw EFormReadError(L"Invalid form data: components nested too deeply");
    if ((in_.NextValue() & 0xF0) == 0xF0) throw EFormReadError(L"Inherited and inline components are not supported");
    const std::wstring className = FromUtf8(in_.ReadStr());
    const std::wstring name = FromUtf8(in_.ReadStr());
    if (!name.empty() && !IsValidComponentName(name))
        throw EFormReadError(L"\"" + name + L"\" is not a valid component name");

    TComponent* component = nullptr;
    const TClassInfo* cls = nullptr;
    if (!parent) {
        component = root_;
        cls = ClassInfoOf(*root_);
        if (!cls) throw EUnknownClassError(L"Class " + root_->ClassName() + L" is not registered");
        if (!SameTextAscii(className, root_->ClassName()))
            throw EFormReadError(L"The form data is for " + className + L", not " + root_->ClassName());
        root_->SetName(name);
    } else {
        cls = FindClassInfo(className);
        if (!cls) throw EUnknownClassError(L"Class " + className + L" not found");
        if (!cls->Create) throw EFormReadError(L"Class " + className + L" cannot be created by the form reader");
        if (!name.empty() && root_->FindComponent(name))
            throw EFormReadError(L"A component named " + name + L" already exists");
        component = cls->Create(root_);
        component->SetName(name);
    }
    component->Loading();
    loaded_.push_back(component);
    const std::wstring label = name.empty() ? className : name;

    if (parent) {
        if (const auto* setParent = cls->FindSetParent()) {
            try {
                (*setParent)(component, parent);
            } catch (const EFrameworkError& e) {
                throw EFormReadError(L"Error placing " + label + L": " + e.Message());
            }
        } else if (parent != root_) {
            throw EFormReadError(label + L" (" + className + L") cannot be placed inside " +
                             (parent->Name().empty() ? parent->ClassName() : parent->Name()));
        }
        if (!name.empty())
            for (const TClassInfo* c = ClassInfoOf(*root_); c; c = c->Parent)
                for (const TFieldEntry& f : c->Fields)
                    if (SameTextAscii(f.Name, name) && !f.Set(root_, component))
                        throw EFormReadError(L"Component " + name + L" is a " + className +
                                         L", which its field cannot hold");
    }

    ReadProperties(streaming_detail::ErasePtr(component), *cls, label, 0);
    while (!in_.EndOfList()) ReadComponent(component, depth + 1);
    return component;
}

void TReader::ReadProperties(void* object, const TClassInfo& cls, const std::wstring& owner, int depth) {
    while (!in_.EndOfList()) {
        const std::wstring name = FromUtf8(in_.ReadStr());
        try {
            ReadProperty(object, cls, name, depth);
        } catch (const EFrameworkError& e) {
            throw EFormReadError(L"Error reading " + owner + L"." + name + L": " + e.Message());
        }
    }
}

void TReader::ReadProperty(void* object, const TClassInfo& cls, const std::wstring& name, int depth) {
    const streaming_detail::TPropPath path = streaming_detail::ResolvePropPath(object, cls, name);
    // Renaming a component from its own data would leave the root's field on a
    // component of another name.
    static const TPropInfo* const componentName = FindClassInfo(L"TComponent")->FindProp(L"Name");
    if (path.Prop == componentName) throw EFormReadError(L"A component's name is stored before its properties, not as one");
    if (path.Prop) {
        ReadValue(path, depth);
        return;
    }
    // Not published: perhaps a value the class (or a nested object) keeps itself.
    if (ReadDefinedProperty(path.Object, *path.Class, path.Rest)) {
        streaming_detail::NotifyNestedChanged(path);
        return;
    }
    throw EFormReadError(L"Property " + name + L" does not exist");
}

bool TReader::ReadDefinedProperty(void* object, const TClassInfo& cls, const std::wstring& name) {
    const std::wstring savedWanted = wanted_;
    const bool savedFound = found_;
    wanted_ = name;
    found_ = false;
    bool found = false;
    for (const TClassInfo* c : RootFirst(cls)) {
        if (c->DefineProperties) c->DefineProperties(object, *this);
        if (found_) break;
    }
    found = found_;
    wanted_ = savedWanted;
    found_ = savedFound;
    return found;
}

void TReader::DefineProperty(const std::wstring& name, const TReaderProc& read, const TWriterProc&, bool) {
    if (found_ || !SameTextAscii(name, wanted_)) return;
    found_ = true;
    if (!read) throw EFormReadError(L"Property " + name + L" cannot be read");
    read(*this);
}

void TReader::DefineBinaryProperty(const std::wstring& name, const TStreamProc& read, const TStreamProc&, bool) {
    if (found_ || !SameTextAscii(name, wanted_)) return;
    found_ = true;
    if (!read) throw EFormReadError(L"Property " + name + L" cannot be read");
    const std::vector<uint8_t> bytes = in_.ReadBinary();
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    read(stream);
}

void TReader::ReadValue(const streaming_detail::TPropPath& path, int depth) {
    const TPropInfo& p = *path.Prop;
    void* o = path.Object;
    if (p.ReadOnly) throw EFormReadError(L"Property " + p.Name + L" is read-only");
    if (p.Kind == TTypeKind::tkStrings && !SameTextAscii(path.Rest, L"Strings"))
        throw EFormReadError(L"A string list is stored as " + p.Name + L".Strings");
    switch (p.Kind) {
        case TTypeKind::tkInteger: {
            int64_t v = 0;
            if (in_.NextValue() == fdIdent) {
                const std::wstring ident = FromUtf8(in_.ReadIdent());
                if (!p.Idents || !IdentToInt(*p.Idents, ident, v)) throw EFormReadError(L"Invalid property value " + ident);
            } else {
                v = in_.ReadInteger();
            }
            if (v < p.MinValue || v > p.MaxValue) throw EFormReadError(L"Value " + IntToStr(v) + L" is out of range");
            p.SetOrd(o, v);
            break;
        }
        case TTypeKind::tkBool: {
            const TFormTag t = in_.ReadValue();
            if (t != fdTrue && t != fdFalse)
                throw EFormReadError(L"Invalid property value: True or False expected, found " + FormTagName(t));
            p.SetOrd(o, t == fdTrue ? 1 : 0);
            break;
        }
        case TTypeKind::tkEnumeration: {
            const std::wstring ident = FromUtf8(in_.ReadIdent());
            int64_t v = -1;
            for (size_t i = 0; i < p.Names.size() && v < 0; ++i)
                if (SameTextAscii(p.Names[i], ident)) v = static_cast<int64_t>(i);
            if (v < 0) throw EFormReadError(L"Invalid property value " + ident);
            p.SetOrd(o, v);
            break;
        }
        case TTypeKind::tkSet: {
            const TFormTag t = in_.ReadValue();
            if (t != fdSet) throw EFormReadError(L"Invalid property value: a set expected, found " + FormTagName(t));
            uint64_t bits = 0;
            for (;;) {
                const std::wstring member = FromUtf8(in_.ReadStr());
                if (member.empty()) break;
                size_t i = 0;
                while (i < p.Names.size() && !SameTextAscii(p.Names[i], member)) ++i;
                if (i == p.Names.size()) throw EFormReadError(L"Invalid set member " + member);
                bits |= uint64_t{1} << i;
            }
            p.SetOrd(o, static_cast<int64_t>(bits));
            break;
        }
        case TTypeKind::tkString: p.SetStr(o, Utf16ToWide(in_.ReadString())); break;
        case TTypeKind::tkStrings: {
            const TFormTag t = in_.ReadValue();
            if (t != fdList) throw EFormReadError(L"Invalid property value: a list expected, found " + FormTagName(t));
            TStringList lines;
            while (!in_.EndOfList()) lines.Add(Utf16ToWide(in_.ReadString()));
            p.SetLines(o, lines);
            break;
        }
        case TTypeKind::tkClass:
            throw EFormReadError(L"Property " + p.Name + L" holds an object; its properties are stored one by one (" +
                             p.Name + L".Name)");
        case TTypeKind::tkCollection: ReadCollection(o, p, depth); break;
        case TTypeKind::tkMethod: {
            if (in_.NextValue() == fdNil) {
                (void)in_.ReadValue();
                p.ClearEvent(o);
                break;
            }
            const TFormTag t = in_.ReadValue();
            if (t != fdIdent)
                throw EFormReadError(L"Invalid property value: a method name expected, found " + FormTagName(t));
            const std::wstring method = FromUtf8(in_.ReadStr());
            const TClassInfo* rootClass = ClassInfoOf(*root_);
            const TMethodEntry* m = rootClass ? rootClass->FindMethod(method) : nullptr;
            if (!m) throw EFormReadError(L"Method " + method + L" not found in " + root_->ClassName());
            if (!p.BindEvent(o, *m, root_)) throw EFormReadError(L"Method " + method + L" does not fit event " + p.Name);
            break;
        }
        case TTypeKind::tkUnknown: throw EFormReadError(L"Property " + p.Name + L" has no kind");
    }
    streaming_detail::NotifyNestedChanged(path);
}

void TReader::ReadCollection(void* object, const TPropInfo& prop, int depth) {
    if (depth > kMaxDepth) throw EFormReadError(L"Invalid form data: collections nested too deeply");
    const TFormTag t = in_.ReadValue();
    if (t != fdCollection)
        throw EFormReadError(L"Invalid property value: a collection expected, found " + FormTagName(t));
    prop.ClearItems(object);
    for (int index = 0; !in_.EndOfList(); ++index) {
        const TFormTag next = in_.NextValue();
        // An item's order number: items are read in stored order whatever it says.
        if (next == fdInt8 || next == fdInt16 || next == fdInt32) (void)in_.ReadInteger();
        const TFormTag item = in_.ReadValue();
        if (item != fdList)
            throw EFormReadError(L"Invalid form data: a collection item expected, found " + FormTagName(item));
        ReadProperties(prop.AddItem(object), *prop.ObjectClass, prop.Name + L"[" + IntToStr(index) + L"]", depth + 1);
    }
}

bool TReader::ReadBoolean() {
    const TFormTag t = in_.ReadValue();
    if (t != fdTrue && t != fdFalse)
        throw EFormReadError(L"Invalid property value: True or False expected, found " + FormTagName(t));
    return t == fdTrue;
}

std::wstring TReader::ReadIdent() {
    return FromUtf8(in_.ReadIdent());
}

void TReader::ReadListBegin() {
    const TFormTag t = in_.ReadValue();
    if (t != fdList) throw EFormReadError(L"Invalid property value: a list expected, found " + FormTagName(t));
}

// ---------------------------------------------------------------- writer

void TWriter::WriteRootComponent(TComponent& root) {
    root_ = &root;
    out_ = TFormOutput();
    out_.WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent& component) {
    const TClassInfo* cls = ClassInfoOf(component);
    if (!cls) throw EWriteError(L"Class " + component.ClassName() + L" is not registered");
    out_.WriteStr(ToUtf8(component.ClassName()));
    out_.WriteStr(ToUtf8(component.Name()));
    WriteProperties(streaming_detail::ErasePtr(&component), *cls, L"");
    out_.WriteListEnd();
    for (int i = 0; i < root_->ComponentCount(); ++i) {
        TComponent* child = root_->Components(i);
        const TClassInfo* childClass = ClassInfoOf(*child);
        if (!childClass) throw EWriteError(L"Class " + child->ClassName() + L" is not registered");
        const auto* getParent = childClass->FindGetParent();
        TComponent* parent = getParent ? (*getParent)(child) : nullptr;
        const bool inside = &component == root_ ? (parent == nullptr || parent == root_) : parent == &component;
        if (inside) WriteComponent(*child);
    }
    out_.WriteListEnd();
}

void TWriter::WriteProperties(void* object, const TClassInfo& cls, const std::wstring& prefix) {
    for (const TPropInfo* p : cls.AllProps()) WriteProperty(object, *p, prefix);
    const std::wstring saved = prefix_;
    prefix_ = prefix;
    for (const TClassInfo* c : RootFirst(cls))
        if (c->DefineProperties) c->DefineProperties(object, *this);
    prefix_ = saved;
}

void TWriter::WriteProperty(void* o, const TPropInfo& p, const std::wstring& prefix) {
    if (p.ReadOnly || (p.Stored && !p.Stored(o))) return;
    const std::wstring name = prefix + p.Name;
    switch (p.Kind) {
        case TTypeKind::tkInteger: {
            const int64_t v = p.GetOrd(o);
            if (p.HasDefault && v == p.Default) return;
            WritePropName(name);
            std::wstring ident;
            if (p.Idents && IntToIdent(*p.Idents, v, ident))
                out_.WriteIdent(ToUtf8(ident));
            else
                out_.WriteInteger(v);
            return;
        }
        case TTypeKind::tkBool: {
            const int64_t v = p.GetOrd(o);
            if (p.HasDefault && v == p.Default) return;
            WritePropName(name);
            out_.WriteBoolean(v != 0);
            return;
        }
        case TTypeKind::tkEnumeration: {
            const int64_t v = p.GetOrd(o);
            if (p.HasDefault && v == p.Default) return;
            if (v < 0 || v >= static_cast<int64_t>(p.Names.size()))
                throw EWriteError(L"Property " + name + L" holds " + IntToStr(v) + L", which has no name");
            WritePropName(name);
            out_.WriteIdent(ToUtf8(p.Names[static_cast<size_t>(v)]));
            return;
        }
        case TTypeKind::tkSet: {
            const auto bits = static_cast<uint64_t>(p.GetOrd(o));
            if (p.HasDefault && bits == static_cast<uint64_t>(p.Default)) return;
            if (p.Names.size() < 64 && bits >> p.Names.size())
                throw EWriteError(L"Property " + name + L" holds members that have no name");
            WritePropName(name);
            out_.WriteValue(fdSet);
            for (size_t i = 0; i < p.Names.size(); ++i)
                if (bits >> i & 1) out_.WriteStr(ToUtf8(p.Names[i]));
            out_.WriteStr("");
            return;
        }
        case TTypeKind::tkString: {
            const std::wstring v = p.GetStr(o);
            if (p.HasDefault && v == p.DefaultText) return;
            WritePropName(name);
            out_.WriteString(WideToUtf16(v));
            return;
        }
        case TTypeKind::tkStrings: {
            const TStringList lines = p.GetLines(o);
            if (p.HasDefault && lines.Count() == 0) return;
            WritePropName(name + L".Strings");
            out_.WriteValue(fdList);
            for (const std::wstring& line : lines) out_.WriteString(WideToUtf16(line));
            out_.WriteListEnd();
            return;
        }
        case TTypeKind::tkClass: WriteProperties(p.NestedObject(o), *p.ObjectClass, name + L"."); return;
        case TTypeKind::tkCollection: {
            WritePropName(name);
            out_.WriteValue(fdCollection);
            const int count = p.ItemCount(o);
            for (int i = 0; i < count; ++i) {
                out_.WriteValue(fdList);
                WriteProperties(p.Item(o, i), *p.ObjectClass, L"");
                out_.WriteListEnd();
            }
            out_.WriteListEnd();
            return;
        }
        case TTypeKind::tkMethod: {
            if (!p.HasHandler(o)) return;
            for (const TClassInfo* c = ClassInfoOf(*root_); c; c = c->Parent)
                for (const TMethodEntry& m : c->Methods)
                    if (p.EventIsBoundTo(o, m, root_)) {
                        WritePropName(name);
                        out_.WriteIdent(ToUtf8(m.Name));
                        return;
                    }
            return;  // a handler that is no method of the form: not stored
        }
        case TTypeKind::tkUnknown: return;
    }
}

void TWriter::WritePropName(const std::wstring& name) {
    out_.WriteStr(ToUtf8(name));
}

void TWriter::WriteIdent(const std::wstring& ident) {
    out_.WriteIdent(ToUtf8(ident));
}

void TWriter::DefineProperty(const std::wstring& name, const TReaderProc&, const TWriterProc& write, bool hasData) {
    if (!hasData || !write) return;
    WritePropName(prefix_ + name);
    write(*this);
}

void TWriter::DefineBinaryProperty(const std::wstring& name, const TStreamProc&, const TStreamProc& write,
                                   bool hasData) {
    if (!hasData || !write) return;
    TMemoryStream stream;
    write(stream);
    WritePropName(prefix_ + name);
    out_.WriteBinary(stream.Memory(), stream.Bytes().size());
}

// ---------------------------------------------------------------- conveniences

void ReadComponentData(const uint8_t* data, size_t size, TComponent& root) {
    TReader reader(data, size);
    reader.ReadRootComponent(root);
}

void ReadComponent(TStream& stream, TComponent& root) {
    const int64_t left = stream.Size() - stream.Position();
    std::vector<uint8_t> bytes(static_cast<size_t>(left > 0 ? left : 0));
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    ReadComponentData(bytes.data(), bytes.size(), root);
}

std::vector<uint8_t> WriteComponentData(TComponent& root) {
    TWriter writer;
    writer.WriteRootComponent(root);
    return writer.Bytes();
}

void WriteComponent(TStream& stream, TComponent& root) {
    const std::vector<uint8_t> bytes = WriteComponentData(root);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void WriteCountedBlock(TStream& stream, const uint8_t* data, size_t count) {
    if (count > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EWriteError(L"Binary data too long for a counted block");
    const auto n = static_cast<uint32_t>(count);
    const uint8_t header[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                               static_cast<uint8_t>(n >> 24)};
    stream.WriteBuffer(header, 4);
    stream.WriteBuffer(data, static_cast<int64_t>(count));
}

std::vector<uint8_t> ReadCountedBlock(TStream& stream) {
    uint8_t header[4];
    if (stream.Read(header, 4) != 4) throw EFormReadError(L"Binary data ends before its count");
    const auto n =
        static_cast<int32_t>(header[0] | header[1] << 8 | header[2] << 16 | static_cast<uint32_t>(header[3]) << 24);
    const int64_t left = stream.Size() - stream.Position();
    if (n < 0 || n > left)
        throw EFormReadError(L"Binary data counts " + IntToStr(n) + L" bytes but holds " + IntToStr(left));
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    stream.ReadBuffer(bytes.data(), n);
    return bytes;
}
