# cmake -DIN=<text file> -DOUT=<cpp file> -DSYMBOL=<name> -P EmbedText.cmake
# Writes a C++ source that holds the text file's bytes as one raw string literal.
file(READ "${IN}" content)
string(FIND "${content}" ")vhtext\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${IN} contains the literal's closing sequence")
endif()
file(WRITE "${OUT}.tmp" "// Generated from ${IN}; do not edit.\nextern const char ${SYMBOL}[];\nconst char ${SYMBOL}[] = R\"vhtext(${content})vhtext\";\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
