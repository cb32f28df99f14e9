// The form reader and writer: a component tree to and from the binary form
// data of FormData.h. Portable.
//
// Reading (TReader::ReadRootComponent) fills an existing root (a form):
// its own properties, then its components in the order they are stored,
// each created by class name from the registry (PublishedProperties.h), owned by the
// root, placed inside its stored parent (controls in their parent control)
// and, when the root class has a field of that name, assigned to it. Every
// component read carries csLoading until, once the whole tree has been
// read and every field of the root is set, Loaded is called on each, the
// root first and then in stored order. Property names are matched without
// regard to ASCII case; a name the class neither publishes nor defines
// (DefineProperties) is an error. On any error EFormReadError (or
// EUnknownClassError) names the component and property; the components read
// so far stay owned by the root, which the caller then throws away.
//
// The reader checks every length and count against the data (FormData.h),
// so damaged or hostile data cannot make it read outside its buffer.
//
// Writing (TWriter::WriteRootComponent) stores the root with its published
// properties, then the components it owns whose parent is the root (or
// that have none), each followed by the components inside it, all in the
// order the root owns them. Events are stored by the name of the root
// method they call; other handlers are not stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/Component.h"
#include "framework/streaming/FormData.h"
#include "framework/streaming/PublishedProperties.h"
#include "framework/system/StreamsAndLists.h"

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

// What a class's DefineProperties talks to, while reading and while writing.
class TFiler {
public:
    virtual ~TFiler() = default;
    // A value the class reads and writes itself through the filer's value
    // functions (one value, of any kind); written only when hasData.
    virtual void DefineProperty(const std::wstring& name, const TReaderProc& read, const TWriterProc& write,
                                bool hasData) = 0;
    // Binary data (fdBinary: a 32-bit count, then the bytes). write fills a
    // memory stream; read gets a memory stream holding exactly the stored
    // bytes, at position 0. Written only when hasData.
    virtual void DefineBinaryProperty(const std::wstring& name, const TStreamProc& read, const TStreamProc& write,
                                      bool hasData) = 0;
    TComponent* Root() const { return root_; }

protected:
    TComponent* root_ = nullptr;
};

class TReader : public TFiler {
public:
    TReader(const uint8_t* data, size_t size);

    // Reads the signature and the form onto root, whose ClassName must be the stored class name.
    void ReadRootComponent(TComponent& root);

    // Values, for the read procedures of DefineProperty.
    TFormTag NextValue() const { return in_.NextValue(); }
    int64_t ReadInteger() { return in_.ReadInteger(); }
    bool ReadBoolean();
    std::wstring ReadString() { return Utf16ToWide(in_.ReadString()); }
    std::wstring ReadIdent();
    std::vector<uint8_t> ReadBinary() { return in_.ReadBinary(); }
    void ReadListBegin();
    bool EndOfList() { return in_.EndOfList(); }
    void ReadListEnd() { in_.ReadListEnd(); }

    void DefineProperty(const std::wstring& name, const TReaderProc& read, const TWriterProc& write,
                        bool hasData) override;
    void DefineBinaryProperty(const std::wstring& name, const TStreamProc& read, const TStreamProc& write,
                              bool hasData) override;

private:
    TComponent* ReadComponent(TComponent* parent, int depth);
    void ReadProperties(void* object, const TClassInfo& cls, const std::wstring& owner, int depth);
    void ReadProperty(void* object, const TClassInfo& cls, const std::wstring& name, int depth);
    bool ReadDefinedProperty(void* object, const TClassInfo& cls, const std::wstring& name);
    void ReadValue(const streaming_detail::TPropPath& path, int depth);
    void ReadCollection(void* object, const TPropInfo& prop, int depth);

    TFormInput in_;
    std::vector<TComponent*> loaded_;
    std::wstring wanted_;  // the property DefineProperties is asked for
    bool found_ = false;
};

class TWriter : public TFiler {
public:
    // Writes the signature and the root with its tree.
    void WriteRootComponent(TComponent& root);
    const std::vector<uint8_t>& Bytes() const { return out_.Bytes(); }

    // Values, for the write procedures of DefineProperty.
    void WriteInteger(int64_t value) { out_.WriteInteger(value); }
    void WriteBoolean(bool value) { out_.WriteBoolean(value); }
    void WriteString(const std::wstring& value) { out_.WriteString(WideToUtf16(value)); }
    void WriteIdent(const std::wstring& ident);
    void WriteBinary(const std::vector<uint8_t>& bytes) { out_.WriteBinary(bytes.data(), bytes.size()); }
    void WriteListBegin() { out_.WriteValue(fdList); }
    void WriteListEnd() { out_.WriteListEnd(); }

    void DefineProperty(const std::wstring& name, const TReaderProc& read, const TWriterProc& write,
                        bool hasData) override;
    void DefineBinaryProperty(const std::wstring& name, const TStreamProc& read, const TStreamProc& write,
                              bool hasData) override;

private:
    void WriteComponent(TComponent& component);
    void WriteProperties(void* object, const TClassInfo& cls, const std::wstring& prefix);
    void WriteProperty(void* object, const TPropInfo& prop, const std::wstring& prefix);
    void WritePropName(const std::wstring& name);

    TFormOutput out_;
    std::wstring prefix_;  // of names defined by DefineProperties of a nested object
};

// Reads form data (signature included) onto root.
void ReadComponentData(const uint8_t* data, size_t size, TComponent& root);
// The same from a stream, from its position to its end.
void ReadComponent(TStream& stream, TComponent& root);
// The form data of root and its tree.
std::vector<uint8_t> WriteComponentData(TComponent& root);
void WriteComponent(TStream& stream, TComponent& root);

// The layout some classes keep inside a binary property: a 32-bit
// little-endian count, then that many bytes. The reader raises EFormReadError
// when the count is negative or more than the stream holds after it.
void WriteCountedBlock(TStream& stream, const uint8_t* data, size_t count);
std::vector<uint8_t> ReadCountedBlock(TStream& stream);
