# Writes a binary file as a C++ array: cmake -DIN=... -DOUT=... -DNAME=... -P embed.cmake
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUT} "#include <cstddef>\nextern const unsigned char ${NAME}[] = {${bytes}};\nextern const std::size_t ${NAME}Size = ${size};\n")
