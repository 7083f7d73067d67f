# Script mode: turns the bytes of the file IN into a C++ source OUT that defines
# `const std::string_view velora::NAME` over a constant array holding exactly those bytes.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "char(0x\\1)," bytes "${hex}")
# Sixteen bytes to a line keeps the generated file readable.
string(REGEX REPLACE "((char\\(0x..\\),){16})" "\\1\n    " bytes "${bytes}")
if(size EQUAL 0)
  set(bytes "char(0)")
endif()
file(WRITE "${OUT}.new" "// Generated at build time from ${NAME_OF_SOURCE}; do not edit.
#include <string_view>

namespace velora {

namespace {
constexpr char ${NAME}_bytes[] = {
    ${bytes}
};
}  // namespace

extern const std::string_view ${NAME};
const std::string_view ${NAME}{${NAME}_bytes, ${size}};

}  // namespace velora
")
# Rewrite only on a change, so that an unchanged resource does not rebuild its users.
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
