// Form data: a component tree with every property kind written and read
// back, errors and damaged data, Loaded, properties by name, the text form,
// and the window's form as the build converts it from app/Main.form.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/streaming/FormText.h"
#include "framework/system/CodePage.h"
#include "tests/native/streaming/TestComponents.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return ObjectTextToBinary(text);
}

std::unique_ptr<TTestForm> Read(const std::vector<uint8_t>& data) {
    RegisterTestClasses();
    auto form = std::make_unique<TTestForm>(nullptr);
    ReadComponentData(data.data(), data.size(), *form);
    return form;
}

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> Sequence(size_t n, uint8_t start = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(start + i);
    return v;
}

// Created in an order that differs from the tree's: Deep (inside Inner) comes last.
std::unique_ptr<TTestForm> MakeSampleForm() {
    RegisterTestClasses();
    auto form = std::make_unique<TTestForm>(nullptr);
    form->SetName(L"SampleForm");
    form->Title = L"Form 标题";
    form->Count = -7;
    form->Font.Name = L"宋体";
    form->Font.Height = -12;
    form->Font.Charset = 134;
    form->Font.Style = fsBold | fsItalic;
    form->Font.Color = clRed;
    EXPECT_TRUE(SetPropText(*form, L"OnQuery", L"FormQuery"));

    auto* first = new TTestWidget(form.get());
    first->SetName(L"First");
    first->ParentWidget = form.get();
    form->First = first;
    first->SetTag(5);
    first->Count = 2147483647;
    first->Big = INT64_MIN;
    first->Flag = true;
    first->Mode = tmFast;
    first->Options = toA | toC | toE;
    first->Title = L"It's \"quoted\"\r\n\x01 end " + Utf16ToWide(u"\U0001F600");
    first->Lines.Add(L"TCategoryButtons=scrollbar");
    first->Lines.Add(L"");
    first->Lines.Add(L"中文行");
    first->Lines.Add(std::wstring(300, L'x'));
    first->Color = 0x123456;  // no name
    first->Payload = Sequence(512);
    first->Items.push_back(std::make_unique<TTestItem>());
    first->Items.back()->Name = L"SkinItem0";
    first->Items.back()->Size = 1;
    first->Items.push_back(std::make_unique<TTestItem>());
    first->Items.back()->Name = L"皮肤";
    first->Items.back()->Size = -1;
    first->Items.back()->Data = Sequence(300, 7);
    first->Items.push_back(std::make_unique<TTestItem>());
    first->Items.back()->Data = {0};
    EXPECT_TRUE(SetPropText(*first, L"OnChange", L"WidgetChange"));

    auto* inner = new TTestWidget(form.get());
    inner->SetName(L"Inner");
    inner->ParentWidget = first;
    inner->Title = L"inside";
    inner->Mode = tmSlow;

    auto* plain = new TTestPlain(form.get());
    plain->SetName(L"Plain");
    plain->SetTag(-1);

    auto* last = new TTestWidget(form.get());
    last->SetName(L"Last");
    last->ParentWidget = form.get();
    last->OnChange = [](TObject*) {};  // not a method of the form: not stored

    auto* deep = new TTestWidget(form.get());
    deep->SetName(L"Deep");
    deep->ParentWidget = inner;
    deep->Font.Style = fsStrikeOut;
    return form;
}

void ExpectSameWidget(const TTestWidget& a, const TTestWidget& b) {
    SCOPED_TRACE(WideToUtf8(a.Name()));
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_EQ(a.ClassName(), b.ClassName());
    EXPECT_EQ(a.Tag(), b.Tag());
    EXPECT_EQ(a.Count, b.Count);
    EXPECT_EQ(a.Big, b.Big);
    EXPECT_EQ(a.Flag, b.Flag);
    EXPECT_EQ(a.Mode, b.Mode);
    EXPECT_EQ(a.Options, b.Options);
    EXPECT_EQ(a.Title, b.Title);
    ASSERT_EQ(a.Lines.Count(), b.Lines.Count());
    for (int i = 0; i < a.Lines.Count(); ++i) EXPECT_EQ(a.Lines[i], b.Lines[i]) << "line " << i;
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_EQ(a.Font.Name, b.Font.Name);
    EXPECT_EQ(a.Font.Height, b.Font.Height);
    EXPECT_EQ(a.Font.Charset, b.Font.Charset);
    EXPECT_EQ(a.Font.Style, b.Font.Style);
    EXPECT_EQ(a.Font.Color, b.Font.Color);
    EXPECT_EQ(a.Payload, b.Payload);
    ASSERT_EQ(a.Items.size(), b.Items.size());
    for (size_t i = 0; i < a.Items.size(); ++i) {
        EXPECT_EQ(a.Items[i]->Name, b.Items[i]->Name) << "item " << i;
        EXPECT_EQ(a.Items[i]->Size, b.Items[i]->Size) << "item " << i;
        EXPECT_EQ(a.Items[i]->Data, b.Items[i]->Data) << "item " << i;
    }
    const auto parentName = [](const TTestWidget& w) { return w.ParentWidget ? w.ParentWidget->Name() : L"-"; };
    EXPECT_EQ(parentName(a), parentName(b));
}

}  // namespace

// ---------------------------------------------------------------- round trip

TEST(FormData, TreeWithEveryPropertyKindRoundTrips) {
    const auto original = MakeSampleForm();
    const std::vector<uint8_t> data = WriteComponentData(*original);

    const auto copy = Read(data);
    ExpectSameWidget(*original, *copy);
    // Stored (and so created) in tree order, whatever the order of creation.
    const std::vector<std::wstring> order{L"First", L"Inner", L"Deep", L"Plain", L"Last"};
    ASSERT_EQ(copy->ComponentCount(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(copy->Components(i)->Name(), order[static_cast<size_t>(i)]) << i;
    for (const auto& name : {L"First", L"Inner", L"Deep", L"Last"}) {
        auto* a = dynamic_cast<TTestWidget*>(original->FindComponent(name));
        auto* b = dynamic_cast<TTestWidget*>(copy->FindComponent(name));
        ASSERT_TRUE(a && b) << WideToUtf8(name);
        ExpectSameWidget(*a, *b);
    }
    EXPECT_EQ(copy->FindComponent(L"Plain")->Tag(), -1);
    EXPECT_EQ(copy->First, copy->FindComponent(L"First")) << "the field is bound";
    for (int i = 0; i < copy->ComponentCount(); ++i)
        EXPECT_EQ(copy->Components(i)->Owner(), copy.get()) << "the root owns every component";

    // Events come back bound to the form's methods; the lambda was left out.
    auto* first = copy->First;
    ASSERT_TRUE(first->OnChange);
    first->OnChange(first);
    EXPECT_EQ(copy->Changes, 1);
    int answer = 0;
    ASSERT_TRUE(copy->OnQuery);
    copy->OnQuery(copy.get(), answer);
    EXPECT_EQ(answer, 42);
    EXPECT_FALSE(dynamic_cast<TTestWidget*>(copy->FindComponent(L"Last"))->OnChange);

    // Writing the copy gives the same bytes; so does the text form converted back.
    EXPECT_EQ(WriteComponentData(*copy), data);
    const std::string text = ObjectBinaryToText(data.data(), data.size());
    EXPECT_EQ(ObjectTextToBinary(text), data) << text;
    EXPECT_NE(text.find("Mode = tmFast"), std::string::npos) << text;
    EXPECT_NE(text.find("Options = [toA, toC, toE]"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Charset = GB2312_CHARSET"), std::string::npos) << text;
    EXPECT_NE(text.find("Font.Color = clRed"), std::string::npos) << text;
    EXPECT_NE(text.find("OnChange = WidgetChange"), std::string::npos) << text;
    EXPECT_NE(text.find("Lines.Strings = ("), std::string::npos) << text;
}

TEST(FormData, DefaultsAreLeftOutAndNothingElse) {
    RegisterTestClasses();
    TTestForm form(nullptr);
    form.SetName(L"F");
    auto* w = new TTestWidget(&form);
    w->SetName(L"First");
    w->ParentWidget = &form;
    const std::vector<uint8_t> data = WriteComponentData(form);
    const std::string text = ObjectBinaryToText(data.data(), data.size());
    for (const char* absent : {"Count", "Flag", "Mode", "Tag", "Payload", "OnChange", "\n  Name =", "ItemCount"})
        EXPECT_EQ(text.find(absent), std::string::npos) << "case: " << absent << "\n" << text;
    // No declared default: written even when empty, so reading restores emptiness.
    for (const char* present : {"Title = ''", "Lines.Strings = ()", "Options = []", "Items = <>", "Big = 0"})
        EXPECT_NE(text.find(present), std::string::npos) << "case: " << present << "\n" << text;

    // So an emptied list comes back empty, whatever the component starts with.
    TTestForm target(nullptr);
    target.Lines.Add(L"from the constructor");
    ReadComponentData(data.data(), data.size(), target);
    EXPECT_EQ(target.Lines.Count(), 0);
}

// ---------------------------------------------------------------- Loaded

TEST(FormData, LoadedRunsOnceOnEveryComponentAfterTheWholeTree) {
    const std::vector<uint8_t> data = WriteComponentData(*MakeSampleForm());
    std::vector<std::wstring> log;
    TTestWidget::LoadedLog = &log;
    const auto copy = Read(data);
    TTestWidget::LoadedLog = nullptr;

    const std::vector<std::wstring> expected{L"SampleForm", L"First", L"Inner", L"Deep", L"Last"};
    EXPECT_EQ(log, expected) << "the root first, then in stored order";
    std::vector<TTestWidget*> widgets{copy.get()};
    for (int i = 0; i < copy->ComponentCount(); ++i)
        if (auto* w = dynamic_cast<TTestWidget*>(copy->Components(i))) widgets.push_back(w);
    for (TTestWidget* w : widgets) {
        EXPECT_EQ(w->LoadedCalls, 1) << WideToUtf8(w->Name());
        EXPECT_TRUE(w->LoadingAtLoaded) << "csLoading until Loaded: " << WideToUtf8(w->Name());
        EXPECT_EQ(w->ComponentsAtLoaded, 5) << "every component existed already: " << WideToUtf8(w->Name());
        EXPECT_EQ(w->ComponentState() & csLoading, 0) << WideToUtf8(w->Name());
    }
}

TEST(FormData, NoLoadedWhenReadingFails) {
    std::vector<std::wstring> log;
    TTestWidget::LoadedLog = &log;
    EXPECT_THROW(Read(Bytes("object F: TTestForm\n object First: TTestWidget\n end\n"
                            " object Second: TTestWidget\n  Count = tmFast\n end\nend")),
                 EFilerError);
    EXPECT_THROW(Read(Bytes("object F: TTestForm\n object First: TTestWidget\n end\n"
                            " object Second: TTestWidget\n  Nonsense = 1\n end\nend")),
                 EFilerError);
    TTestWidget::LoadedLog = nullptr;
    EXPECT_TRUE(log.empty());
}

// ---------------------------------------------------------------- errors

TEST(FormData, BadPropertiesAreRejectedWithTheirName) {
    struct Case {
        const char* name;
        const char* property;  // a line inside First
        const char* message;   // part of the error text
    } cases[] = {
        {"unknown name", "Captoin = 'x'", "Error reading First.Captoin: Property Captoin does not exist"},
        {"read-only", "ItemCount = 1", "Property ItemCount is read-only"},
        {"unknown nested name", "Font.Nope = 1", "Property Font.Nope does not exist"},
        {"inside a string", "Title.Length = 1", "Property Title.Length does not exist"},
        {"integer out of range", "Count = 3000000000", "Value 3000000000 is out of range"},
        {"bool from integer", "Flag = 1", "True or False expected"},
        {"unknown enumeration value", "Mode = tmWarp", "Invalid property value tmWarp"},
        {"enumeration from a set", "Mode = [tmFast]", "an identifier expected, found fdSet"},
        {"unknown set member", "Options = [toA, toZ]", "Invalid set member toZ"},
        {"string from integer", "Title = 5", "a string expected"},
        {"object given a value", "Font = 5", "holds an object"},
        {"list without Strings", "Lines = ('a')", "stored as Lines.Strings"},
        {"unknown colour", "Color = clPlaid", "Invalid property value clPlaid"},
        {"unknown method", "OnChange = Nowhere", "Method Nowhere not found in TTestForm"},
        {"method of another signature", "OnChange = FormQuery", "Method FormQuery does not fit event OnChange"},
        {"bad item property", "Items = <\n item\n Nope = 1\n end>", "Error reading Items[0].Nope"},
        {"counted block longer than its data", "Payload = {05000000 0102}", "counts 5 bytes but holds 2"},
        {"counted block negative", "Payload = {FFFFFFFF}", "counts -1 bytes"},
        {"counted block without count", "Payload = {0102}", "ends before its count"},
    };
    for (const Case& c : cases) {
        const std::string text =
            std::string("object F: TTestForm\n  object First: TTestWidget\n    ") + c.property + "\n  end\nend\n";
        try {
            Read(Bytes(text));
            ADD_FAILURE() << "case: " << c.name << ": no error";
        } catch (const EFilerError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << "case: " << c.name << ": " << e.what();
        }
    }
}

TEST(FormData, BadTreesAreRejected) {
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    } cases[] = {
        {"unknown class", "object F: TTestForm\n object First: TTestWidget\n end\n object X: TNope\n end\nend",
         "Class TNope not found"},
        {"other root class", "object F: TTestWidget\nend", "The form data is for TTestWidget, not TTestForm"},
        {"duplicate name",
         "object F: TTestForm\n object First: TTestWidget\n end\n object First: TTestWidget\n end\nend",
         "A component named First already exists"},
        {"no parent for a plain component",
         "object F: TTestForm\n object First: TTestWidget\n  object P: TTestPlain\n  end\n end\nend",
         "P (TTestPlain) cannot be placed inside First"},
        {"placement refused",
         "object F: TTestForm\n object First: TTestWidget\n end\n object P: TTestPlain\n  object W: TTestWidget\n  "
         "end\n end\nend",
         "Error placing W: widgets go inside widgets"},
        {"field of another class", "object F: TTestForm\n object First: TTestPlain\n end\nend",
         "Component First is a TTestPlain, which its field cannot hold"},
        {"field without component", "object F: TTestForm\n object Second: TTestWidget\n end\nend",
         "Component First is missing from the form data of TTestForm"},
        {"class that is not created", "object F: TTestForm\n object G: TTestForm\n end\nend",
         "Class TTestForm cannot be created"},
        {"renamed by its data", "object F: TTestForm\n object First: TTestWidget\n  Name = 'Other'\n end\nend",
         "Error reading First.Name: A component's name is stored before its properties"},
    };
    for (const Case& c : cases) {
        try {
            Read(Bytes(c.text));
            ADD_FAILURE() << "case: " << c.name << ": no error";
        } catch (const EFilerError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << "case: " << c.name << ": " << e.what();
        }
    }
}

TEST(FormData, DamagedDataFailsCleanlyWhereverItIsCut) {
    const std::vector<uint8_t> data = WriteComponentData(*MakeSampleForm());
    for (size_t n = 0; n < data.size(); ++n) {
        const std::vector<uint8_t> cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(Read(cut), EFilerError) << "cut at " << n;
        EXPECT_THROW(ObjectBinaryToText(cut.data(), cut.size()), EFilerError) << "cut at " << n;
    }
}

TEST(FormData, DamagedDataNeverGivesAnythingButAFilerError) {
    // Every byte changed in turn: either the data still reads, or a filer error says why.
    const std::vector<uint8_t> data = WriteComponentData(*MakeSampleForm());
    int failures = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        for (uint8_t x : {uint8_t{0xFF}, uint8_t{0x01}, uint8_t{0x80}}) {
            std::vector<uint8_t> damaged = data;
            damaged[i] ^= x;
            try {
                Read(damaged);
            } catch (const EFilerError&) {
                ++failures;
            } catch (const std::exception& e) {
                ADD_FAILURE() << "byte " << i << " ^ " << int(x) << ": " << e.what();
            }
            try {
                (void)ObjectBinaryToText(damaged.data(), damaged.size());
            } catch (const EFilerError&) {
            }
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(FormData, CountsPastTheEndAreCaughtBeforeReading) {
    const std::vector<uint8_t> data = WriteComponentData(*MakeSampleForm());
    const auto find = [&](const std::string& name) {
        const auto it = std::search(data.begin(), data.end(), name.begin(), name.end());
        EXPECT_NE(it, data.end()) << name;
        return static_cast<size_t>(it - data.begin()) + name.size();
    };
    struct Case {
        const char* name;
        size_t countAt;  // offset of a 32-bit count
        uint32_t count;
    } cases[] = {
        {"binary count",
         find("\x0A"
              "DataStream") +
             1,
         0x7FFFFFF0},
        {"binary count with the sign bit",
         find("\x0A"
              "DataStream") +
             1,
         0x80000001},
        {"wide string count",
         find("\x05"
              "Title") +
             1,
         0x40000000},
        // First's lines: 'TCategoryButtons=scrollbar' (28 bytes), '' (2), '中文行' (11), the fdLString tag.
        {"long string count",
         find(std::string("\x0D"
                          "Lines.Strings") +
              char(fdList) + char(fdString) + "\x1A" + "TCategoryButtons") -
             18 + 28 + 2 + 11 + 1,
         0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> damaged = data;
        ASSERT_LT(c.countAt + 4, damaged.size()) << "case: " << c.name;
        for (int k = 0; k < 4; ++k)
            damaged[c.countAt + static_cast<size_t>(k)] = static_cast<uint8_t>(c.count >> (8 * k));
        try {
            Read(damaged);
            ADD_FAILURE() << "case: " << c.name;
        } catch (const EFilerError& e) {
            EXPECT_NE(std::string(e.what()).find("runs past the end"), std::string::npos)
                << "case: " << c.name << ": " << e.what();
        }
    }
}

// ---------------------------------------------------------------- properties by name

TEST(PropertiesByName, ReadEveryKindAndMissingNamesGiveNothing) {
    const auto form = MakeSampleForm();
    TTestWidget& w = *form->First;
    w.Lines.Clear();
    w.Lines.Add(L"a");
    w.Lines.Add(L"b");
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        {L"Count", L"2147483647"},
        {L"count", L"2147483647"},
        {L"Flag", L"True"},
        {L"Mode", L"tmFast"},
        {L"Options", L"toA,toC,toE"},
        {L"Color", L"1193046"},
        {L"Font.Height", L"-11"},
        {L"Font.Style", L""},
        {L"Tag", L"5"},
        {L"Name", L"First"},
        {L"OnChange", L"WidgetChange"},
        {L"Lines", L"a\r\nb\r\n"},
        {L"Big", L"-9223372036854775808"},
        // Missing: empty.
        {L"Caption", L""},
        {L"Font.Nope", L""},
        {L"Count.X", L""},
        {L"", L""},
        {L"Lines.Strings", L""},
        {L"Font.", L""},
    };
    for (const auto& [name, text] : cases) EXPECT_EQ(GetPropText(w, name), text) << "case: " << WideToUtf8(name);
    EXPECT_TRUE(GetPropValue(w, L"Caption").IsEmpty());
    EXPECT_EQ(GetPropValue(w, L"Items").Ordinal, 3);
    EXPECT_EQ(GetObjectProp<TFont>(w, L"Font"), &w.Font);
    EXPECT_EQ(GetObjectProp<TFont>(w, L"Title"), nullptr);
    EXPECT_EQ(GetObjectProp<TFont>(w, L"Nope"), nullptr);
    EXPECT_EQ(GetPropText(*form, L"OnQuery"), L"FormQuery") << "a form's own event, bound to its own method";

    // A name set by name keeps the reader's rules; the component refuses, by an exception, as SetName would.
    EXPECT_THROW(SetPropText(w, L"Name", L"Inner"), EFilerError);
    EXPECT_THROW(SetPropText(w, L"Name", L"a b"), EFilerError);
    EXPECT_EQ(w.Name(), L"First");
    EXPECT_TRUE(SetPropText(w, L"Name", L"Renamed"));
    EXPECT_EQ(w.Name(), L"Renamed");
}

TEST(PropertiesByName, WritesChangeOnlyWhatFits) {
    struct Case {
        const char* name;
        const wchar_t* property;
        const wchar_t* text;
        bool ok;
        const wchar_t* after;  // GetPropText afterwards
    } cases[] = {
        {"enumeration by name, any case", L"Mode", L"TMSLOW", true, L"tmSlow"},
        {"unknown enumeration value", L"Mode", L"tmWarp", false, L"tmFast"},
        {"set in brackets", L"Options", L"[toB, toE]", true, L"toB,toE"},
        {"empty set", L"Options", L"", true, L""},
        {"unknown set member", L"Options", L"toA,toQ", false, L"toA,toC,toE"},
        {"integer out of range", L"Count", L"99999999999", false, L"2147483647"},
        {"hexadecimal", L"Count", L"$10", true, L"16"},
        {"not a number", L"Count", L"12a", false, L"2147483647"},
        {"colour by name", L"Color", L"clRed", true, L"clRed"},
        {"colour by value that has a name", L"Color", L"255", true, L"clRed"},
        {"bool", L"Flag", L"false", true, L"False"},
        {"bool from nonsense", L"Flag", L"maybe", false, L"True"},
        {"nested", L"Font.Name", L"Arial", true, L"Arial"},
        {"nested set", L"Font.Style", L"fsBold,fsUnderline", true, L"fsBold,fsUnderline"},
        {"string", L"Title", L"新", true, L"新"},
        {"missing", L"Caption", L"x", false, L""},
        {"missing nested", L"Font.Nope", L"x", false, L""},
        {"event cleared", L"OnChange", L"", true, L""},
        {"event of another signature", L"OnChange", L"FormQuery", false, L"WidgetChange"},
        {"unknown method", L"OnChange", L"Nowhere", false, L"WidgetChange"},
        {"collection", L"Items", L"x", false, L""},
        {"read-only", L"ItemCount", L"1", false, L"3"},
    };
    for (const Case& c : cases) {
        const auto form = MakeSampleForm();
        TTestWidget& w = *form->First;
        const std::vector<uint8_t> before = WriteComponentData(*form);
        EXPECT_EQ(SetPropText(w, c.property, c.text), c.ok) << "case: " << c.name;
        EXPECT_EQ(GetPropText(w, c.property), c.after) << "case: " << c.name;
        if (!c.ok) {
            EXPECT_EQ(WriteComponentData(*form), before) << "case: " << c.name << ": nothing changed";
        }
    }
}

TEST(PropertiesByName, NestedChangesTellTheOwnerAndObjectsCopy) {
    const auto form = MakeSampleForm();
    TTestWidget& w = *form->First;
    const int before = w.FontChanges;
    EXPECT_TRUE(SetPropText(w, L"Font.Height", L"-20"));
    EXPECT_EQ(w.FontChanges, before + 1);
    EXPECT_FALSE(SetPropText(w, L"Font.Height", L"x"));
    EXPECT_EQ(w.FontChanges, before + 1) << "a refused value changes nothing, so no notice";

    TFont font;
    font.Name = L"Tahoma";
    font.Height = -9;
    TPropValue v;
    v.Kind = TTypeKind::tkClass;
    v.Object = &font;
    v.ObjectClass = FindClassInfo(L"TFont");
    EXPECT_TRUE(SetPropValue(w, L"Font", v));
    EXPECT_EQ(w.Font.Name, L"Tahoma");
    EXPECT_EQ(w.Font.Height, -9);
    EXPECT_EQ(w.FontChanges, before + 2);
    v.ObjectClass = FindClassInfo(L"TTestItem");
    EXPECT_FALSE(SetPropValue(w, L"Font", v)) << "an object of another class";
}

// ---------------------------------------------------------------- text form

TEST(FormText, ValuesBecomeTheTagsTheWriterUses) {
    struct Case {
        const char* name;
        const char* value;
        uint8_t tag;
        const char* back;  // the value as the text form shows it again
    } cases[] = {
        {"quote doubled", "'It''s'", fdString, "'It''s'"},
        {"character codes", "'a'#13#10'b'", fdString, "'a'#13#10'b'"},
        {"joined by plus", "'x' +\n  'y'", fdString, "'xy'"},
        {"hexadecimal codes", "#$41#66", fdString, "'AB'"},
        {"Chinese", "'宋体'", fdWString, "'宋体'"},
        {"beyond the BMP", "#128512", fdWString, "'\xF0\x9F\x98\x80'"},
        {"lone surrogate", "#55296", fdWString, "#55296"},
        {"empty string", "''", fdString, "''"},
        {"int8", "-128", fdInt8, "-128"},
        {"int16", "-129", fdInt16, "-129"},
        {"int32", "32768", fdInt32, "32768"},
        {"int64", "2147483648", fdInt64, "2147483648"},
        {"int64 min", "-9223372036854775808", fdInt64, "-9223372036854775808"},
        {"hexadecimal", "$FF", fdInt16, "255"},
        {"identifier", "clBtnFace", fdIdent, "clBtnFace"},
        {"true", "true", fdTrue, "True"},
        {"nil", "nil", fdNil, "nil"},
        {"empty set", "[]", fdSet, "[]"},
        {"empty binary", "{}", fdBinary, "{}"},
        {"empty collection", "<>", fdCollection, "<>"},
        {"empty list", "()", fdList, "()"},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("object A: TX\n  P = ") + c.value + "\nend\n";
        std::vector<uint8_t> data;
        try {
            data = ObjectTextToBinary(text);
        } catch (const EFilerError& e) {
            ADD_FAILURE() << "case: " << c.name << ": " << e.what();
            continue;
        }
        // PMF1, "TX", "A", "P", then the value.
        ASSERT_GT(data.size(), 4u + 3 + 2 + 2) << "case: " << c.name;
        EXPECT_EQ(data[11], c.tag) << "case: " << c.name;
        EXPECT_EQ(ObjectBinaryToText(data.data(), data.size()),
                  std::string("object A: TX\n  P = ") + c.back + "\nend\n")
            << "case: " << c.name;
    }
    const std::string longText = "object A: TX\n  P = '" + std::string(300, 'x') + "'\nend\n";
    EXPECT_EQ(ObjectTextToBinary(longText)[11], fdLString);
}

TEST(FormText, BinaryDataCanComeFromFiles) {
    const auto include = [](const std::string& path) -> std::vector<uint8_t> {
        if (path == "pkg.bin") return {1, 2, 3};
        if (path == "empty.bin") return {};
        throw EFilerError(L"cannot read " + Utf8ToWide(path));
    };
    struct Case {
        const char* name;
        const char* value;
        std::vector<uint8_t> bytes;  // the binary value's content; empty with message set
        const char* message;
    } cases[] = {
        {"file", "{AA @file 'pkg.bin' BB}", {0xAA, 1, 2, 3, 0xBB}, nullptr},
        {"counted", "{@counted 'pkg.bin'}", {3, 0, 0, 0, 1, 2, 3}, nullptr},
        {"counted empty", "{@counted 'empty.bin'}", {0, 0, 0, 0}, nullptr},
        {"missing file", "{@file 'gone.bin'}", {}, "Line 2: cannot read gone.bin"},
        {"unknown include", "{@text 'pkg.bin'}", {}, "@file or @counted expected"},
        {"no name", "{@file pkg.bin}", {}, "a quoted file name expected"},
        {"half a byte before", "{A @file 'pkg.bin'}", {}, "odd number of digits"},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("object A: TX\n  P = ") + c.value + "\nend\n";
        try {
            const std::vector<uint8_t> data = ObjectTextToBinary(text, include);
            ASSERT_EQ(c.message, nullptr) << "case: " << c.name << ": no error";
            // PMF1, "TX", "A", "P", fdBinary, the 32-bit count, the bytes, two fdNull.
            const std::vector<uint8_t> value(data.begin() + 16, data.end() - 2);
            EXPECT_EQ(value, c.bytes) << "case: " << c.name;
            EXPECT_EQ(data[12], c.bytes.size()) << "case: " << c.name;
        } catch (const EParserError& e) {
            ASSERT_NE(c.message, nullptr) << "case: " << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << "case: " << c.name << ": " << e.what();
        }
    }
    EXPECT_THROW(ObjectTextToBinary("object A: TX\n  P = {@file 'pkg.bin'}\nend\n"), EParserError)
        << "without a reader no file is read";
}

TEST(FormText, ErrorsNameTheLine) {
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    } cases[] = {
        {"unterminated string", "object A: TX\n  P = 'abc\nend\n", "Line 2: unterminated string"},
        {"odd binary", "object A: TX\n  P = {0A1}\nend\n", "odd number of digits"},
        {"binary with junk", "object A: TX\n  P = {0G}\nend\n", "invalid character in binary data"},
        {"floating point", "object A: TX\n  P = 1.5\nend\n", "Line 2: floating-point values are not supported"},
        {"missing end", "object A: TX\n  P = 1\n", "\"end\" expected"},
        {"plus without string", "object A: TX\n  P = 'a' +\nend\n", "Line 3: a string expected after +"},
        {"number too large", "object A: TX\n  P = 99999999999999999999\nend\n", "number too large"},
        {"no object", "P = 1\n", "Line 1: \"object\" expected"},
        {"inherited", "inherited A: TX\nend\n", "not supported"},
        {"text after the end", "object A: TX\nend\nobject B: TX\nend\n", "Line 3: end of text expected"},
        {"missing equals", "object A: TX\n  P 1\nend\n", "Line 2: \"=\" expected"},
    };
    for (const Case& c : cases) {
        try {
            (void)ObjectTextToBinary(c.text);
            ADD_FAILURE() << "case: " << c.name << ": no error";
        } catch (const EParserError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << "case: " << c.name << ": " << e.what();
        }
    }
}

// ---------------------------------------------------------------- the window's form

namespace {

// "Component.Property" -> value, from the text form (one-line values only).
std::map<std::string, std::string> Settings(const std::string& text, std::vector<std::string>& objects) {
    std::map<std::string, std::string> settings;
    std::vector<std::string> stack;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        const std::string body = line.substr(start);
        if (body.rfind("object ", 0) == 0) {
            const std::string name = body.substr(7, body.find(':') - 7);
            objects.push_back(body.substr(7));
            stack.push_back(name);
        } else if (body == "end") {
            stack.pop_back();
        } else {
            const size_t eq = body.find(" = ");
            settings[stack.back() + "." + body.substr(0, eq)] = body.substr(eq + 3);
        }
    }
    return settings;
}

}  // namespace

TEST(MainForm, ConvertedFormHoldsTheDesignedWindow) {
    const std::string source = ReadFile(MAIN_FORM_TEXT);
    const std::string built = ReadFile(MAIN_FORM_DATA);
    ASSERT_FALSE(source.empty()) << MAIN_FORM_TEXT;
    ASSERT_FALSE(built.empty()) << MAIN_FORM_DATA;
    const std::vector<uint8_t> data(built.begin(), built.end());
    // The skin package the text includes was made by the build beside the form data.
    std::string buildDir(MAIN_FORM_DATA);
    buildDir = buildDir.substr(0, buildDir.find_last_of('/') + 1);
    std::string package;
    const auto include = [&](const std::string& name) {
        package = ReadFile((buildDir + name).c_str());
        return std::vector<uint8_t>(package.begin(), package.end());
    };
    EXPECT_EQ(ObjectTextToBinary(source, include), data) << "the build converted the current source";
    ASSERT_FALSE(package.empty()) << "the form includes the skin package";

    // The text form of the data is the source without its comments, the
    // package written out as hexadecimal where the source names its file.
    std::string withoutComments;
    std::istringstream in(source);
    for (std::string line; std::getline(in, line);)
        if (line.find_first_not_of(' ') != std::string::npos && line.compare(line.find_first_not_of(' '), 2, "//") != 0 &&
            line.find("SkinStream = ") == std::string::npos)
            withoutComments += line + "\n";
    std::string text = ObjectBinaryToText(data.data(), data.size());
    const size_t streamAt = text.find("    SkinStream = {\n");
    ASSERT_NE(streamAt, std::string::npos);
    text.erase(streamAt, text.find("}\n", streamAt) + 2 - streamAt);
    EXPECT_EQ(text, withoutComments);

    std::vector<std::string> objects;
    const auto settings = Settings(text, objects);
    const std::vector<std::string> order{
        "FormMain: TFormMain", "Label1: TLabel",         "Label2: TLabel",           "ProgressBar1: TProgressBar",
        "Button1: TButton",    "SkinData1: TSkinData", "AntiFreeze1: TAntiFreeze", "Timer1: TTimer"};
    EXPECT_EQ(objects, order);
    const std::pair<const char*, const char*> expected[] = {
        {"FormMain.Caption", "'Talvoria Pemrick - 自动更新'"},
        {"FormMain.BorderStyle", "bsSingle"},
        {"FormMain.BorderIcons", "[biSystemMenu, biMinimize]"},
        {"FormMain.ClientWidth", "476"},
        {"FormMain.ClientHeight", "103"},
        {"FormMain.Left", "325"},
        {"FormMain.Top", "270"},
        {"FormMain.Scaled", "False"},
        {"FormMain.Font.Name", "'宋体'"},
        {"FormMain.Font.Height", "-12"},
        {"FormMain.Font.Charset", "GB2312_CHARSET"},
        {"FormMain.OnShow", "FormShow"},
        {"FormMain.OnClose", "FormClose"},
        {"Label1.Left", "16"},
        {"Label1.Top", "42"},
        {"Label1.Caption", "'更新进度：'"},
        {"Label2.Left", "16"},
        {"Label2.Top", "20"},
        {"Label2.Caption", "''"},
        {"Label2.AutoSize", "True"},
        {"ProgressBar1.Left", "82"},
        {"ProgressBar1.Top", "41"},
        {"ProgressBar1.Width", "377"},
        {"ProgressBar1.Height", "17"},
        {"ProgressBar1.Min", "0"},
        {"ProgressBar1.Max", "10000"},
        {"ProgressBar1.Position", "0"},
        {"ProgressBar1.TabOrder", "0"},
        {"Button1.Left", "213"},
        {"Button1.Top", "67"},
        {"Button1.Width", "65"},
        {"Button1.Height", "20"},
        {"Button1.Caption", "'取消'"},
        {"Button1.TabOrder", "1"},
        {"Button1.OnClick", "Button1Click"},
        {"Timer1.Enabled", "False"},
        {"Timer1.Interval", "1"},
        {"Timer1.OnTimer", "Timer1Timer"},
        {"SkinData1.Active", "True"},
        {"SkinData1.DisableTag", "99"},
        {"SkinData1.SkinFormtype", "sfMainform"},
        {"SkinData1.SkinStore", "'(Good)'"},
        {"SkinData1.Version", "'5.60.03.29'"},
        {"SkinData1.MenuUpdate", "True"},
        {"SkinData1.MenuMerge", "False"},
        {"SkinData1.Options", "[xoPreview, xoToolbarBK, xoCaptionButtonHint]"},
        {"SkinData1.SkinControls",
         "[xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress, "
         "xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab, "
         "xcTrackBar, xcSystemMenu]"},
    };
    for (const auto& [key, value] : expected) {
        const auto it = settings.find(key);
        ASSERT_NE(it, settings.end()) << "case: " << key;
        EXPECT_EQ(it->second, value) << "case: " << key;
    }
    EXPECT_EQ(settings.count("AntiFreeze1.IdleTimeOut"), 0u) << "the anti-freeze keeps its defaults";
}
