// Spreadsheet workbooks, .xls and .xlsx: the tables and the ShotView sessions read from them.
#include "services/readers/spreadsheet.h"
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = velora::fuzz_bytes(data, size);
    std::vector<velora::Sheet> sheets;
    if (!velora::read_workbook(bytes, "w.xls", sheets))
        for (const velora::Sheet& s : sheets) velora::sheet_csv(s);
    velora::fuzz_check(velora::read_xero_sheet(bytes, "w.xls"));
    return 0;
}
