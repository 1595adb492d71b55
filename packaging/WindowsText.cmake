# Writes a text file as Windows' Notepad opens it everywhere: CRLF line ends, and for the user's
# guide UTF-8 with a byte-order mark. Run as
#   cmake -DIN=<file> -DOUT=<file> [-DGUIDE=ON] -P WindowsText.cmake
# GUIDE takes the part of the README between the user-guide markers.
file(READ "${IN}" text)
if(GUIDE)
  string(FIND "${text}" "<!-- user-guide:start -->" start)
  string(FIND "${text}" "<!-- user-guide:end -->" end)
  if(start EQUAL -1 OR end LESS_EQUAL start)
    message(FATAL_ERROR "${IN}: no user-guide markers")
  endif()
  string(LENGTH "<!-- user-guide:start -->\n" marker)
  math(EXPR start "${start} + ${marker}")
  math(EXPR length "${end} - ${start}")
  string(SUBSTRING "${text}" ${start} ${length} text)
  # A text file shows no pictures: the line names the screenshot instead.
  string(REGEX REPLACE "!\\[([^]]*)\\]\\([^)]*\\)" "(screenshot / 画面写真: \\1)" text "${text}")
  string(ASCII 239 187 191 bom)
  set(text "${bom}${text}")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
