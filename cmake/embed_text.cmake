# Turns one text file of the source tree into the two forms the build ships: a C++ source
# whose function returns the text, and a text file, both with CR LF line ends (as the
# display host shows them and as Windows editors expect).
#   cmake -DSOURCE=text.txt -DCPP=out.cpp -DTXT=out.txt -DFUNCTION=name -DHEADER=x.h -P embed_text.cmake
file(READ "${SOURCE}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(STRIP "${text}" text)
string(APPEND text "\n")

string(REPLACE "\n" "\r\n" crlf_text "${text}")
file(WRITE "${TXT}.new" "${crlf_text}")
file(RENAME "${TXT}.new" "${TXT}")

string(REPLACE "\\" "\\\\" literal "${text}")
string(REPLACE "\"" "\\\"" literal "${literal}")
string(REGEX REPLACE "\n$" "" literal "${literal}")
string(REPLACE "\n" "\\r\\n\"\n    \"" literal "${literal}")
file(WRITE "${CPP}.new"
    "// Made by the build from ${SOURCE}: edit that file, not this one.\n"
    "#include \"${HEADER}\"\n\n"
    "char* ${FUNCTION}() {\n"
    "    static char text[] =\n"
    "    \"${literal}\\r\\n\";\n"
    "    return text;\n"
    "}\n")
file(RENAME "${CPP}.new" "${CPP}")
