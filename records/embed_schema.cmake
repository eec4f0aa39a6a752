# Turns a schema script into a header holding it as one string, so the program
# and the run script share the one file.
file(READ "${IN}" content)
file(WRITE "${OUT}.tmp" "#pragma once\n// Generated from ${NAME} at build time.\ninline constexpr const char *${VAR} = R\"kadrolin_schema(${content})kadrolin_schema\";\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
