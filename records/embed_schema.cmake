# Turns schema.sql into a header holding it as one string, so the program
# and the run script share the one file.
file(READ "${IN}" content)
file(WRITE "${OUT}.tmp" "#pragma once\n// Generated from records/schema.sql at build time.\ninline constexpr const char *kSchemaSql = R\"kadrolin_schema(${content})kadrolin_schema\";\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
