# Writes a file's bytes as a C array:
#   cmake -DINPUT=file -DOUTPUT=file.c -DSYMBOL=name -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "#include <stddef.h>\nconst unsigned char ${SYMBOL}[] = {\n${bytes}\n};\nconst size_t ${SYMBOL}Size = ${size};\n")
