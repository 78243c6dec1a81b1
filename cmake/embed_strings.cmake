# Turns the two string tables (one "offset<TAB>text" a line, UTF-8) into a
# C++ source that holds them as raw string literals.
file(READ ${EN} en_text)
file(READ ${CS} cs_text)
set(delim "KRESBON_STRINGS")
file(WRITE ${OUT}.tmp
"// Generated from resources/strings_*.txt; do not edit.\n"
"namespace kresbon::strings_data {\n"
"extern const char* const english;\n"
"extern const char* const czech;\n"
"const char* const english = R\"${delim}(${en_text})${delim}\";\n"
"const char* const czech = R\"${delim}(${cs_text})${delim}\";\n"
"}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
