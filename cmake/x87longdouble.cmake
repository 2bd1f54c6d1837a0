# The engine computes in long double and its results are those of the x87 80-bit
# extended format (a 64-bit mantissa). Where long double is another format (64-bit on
# ARM and with MSVC, 128-bit quadruple on AArch64 Linux or with -mlong-double-128) the
# predictions would differ, so such a build stops at its configure rather than
# computing other marks and bets.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([[
#include <limits>
static_assert(std::numeric_limits<long double>::radix == 2 && std::numeric_limits<long double>::digits == 64 &&
              std::numeric_limits<long double>::max_exponent == 16384);
int main() { return 0; }
]] VELMORA_LONG_DOUBLE_IS_X87_EXTENDED)
if(NOT VELMORA_LONG_DOUBLE_IS_X87_EXTENDED)
    message(FATAL_ERROR
        "Velmora's prediction engine needs long double to be the x87 80-bit extended format "
        "(a 64-bit mantissa), and ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} for "
        "${CMAKE_SYSTEM_PROCESSOR} with these flags has another: its marks and bets would differ from "
        "Velmora's. Build for x86-64 or i686 with GCC or Clang and no option that changes long double "
        "(-mlong-double-64, -mlong-double-128); on Windows with Qt's MinGW kit, not MSVC.")
endif()
