// Zip archives, read as folders of files.
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<velora::InputFile> files;
    const std::string_view bytes = velora::fuzz_bytes(data, size);
    if (!velora::read_zip(bytes, "a.zip", files, std::size_t{1} << 22))
        velora::fuzz_check(velora::read_string_files(files, "a.zip"));
    return 0;
}
