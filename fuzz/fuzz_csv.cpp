// libFuzzer target: the input as a CSV file.
#include "FuzzFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = FuzzPath("csv");
    WriteFuzzFile(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    ReadFuzzFile(path);
    return 0;
}
