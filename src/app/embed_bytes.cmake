# Writes the bytes of INPUT as a C++ array named SYMBOL (with SYMBOL_SIZE) into OUTPUT.
#   cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -DHEADER=... -P embed_bytes.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){20})" "\\1\n" bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${name} by the build; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "namespace seo {\n\n"
  "const unsigned char ${SYMBOL}[] = {\n${bytes}\n};\n"
  "const std::size_t ${SYMBOL}Size = ${size};\n\n"
  "}  // namespace seo\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
