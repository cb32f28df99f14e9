// Binary form data from anywhere: the reader either builds the tree or
// raises a filer error, and never reads outside the data; the text printer
// the same. A tree that was read writes, and reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "framework/streaming/FormText.h"
#include "tests/native/streaming/TestComponents.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegisterTestClasses();
    try {
        (void)ObjectBinaryToText(data, size);
    } catch (const EFilerError&) {
    }

    TTestForm form(nullptr);
    try {
        ReadComponentData(data, size, form);
    } catch (const EFilerError&) {
        return 0;
    }
    std::vector<uint8_t> written;
    try {
        written = WriteComponentData(form);
    } catch (const EWriteError&) {
        return 0;  // a name whose repaired UTF-8 no longer fits a short string
    }
    // Anything but success from here on is a fault: the exception ends the run.
    TTestForm copy(nullptr);
    ReadComponentData(written.data(), written.size(), copy);
    if (WriteComponentData(copy) != written) std::abort();
    return 0;
}
