# Renders a 7x5 picture with known corners and checks the bitmap byte by byte: header fields,
# bottom-up row order, blue-green-red byte order, background fill and row padding.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(out "${WORK}/corners.bmp")

function(expect what offset length hex)
  math(EXPR start "${offset} * 2")
  math(EXPR count "${length} * 2")
  string(SUBSTRING "${bytes}" ${start} ${count} got)
  if(NOT got STREQUAL hex)
    message(FATAL_ERROR "${what}: expected ${hex} at byte ${offset}, got ${got}")
  endif()
endfunction()

execute_process(COMMAND "${SVG2BMP}" --strict "${INPUT}" "${out}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "svg2bmp failed on ${INPUT}: ${rc}")
endif()
file(READ "${out}" bytes HEX)
string(LENGTH "${bytes}" hexlen)
# 7 pixels of 3 bytes = 21, padded to 24; 5 rows.
if(NOT hexlen EQUAL 348)
  math(EXPR n "${hexlen} / 2")
  message(FATAL_ERROR "expected 174 bytes, got ${n}")
endif()
expect("magic" 0 2 "424d")
expect("file size" 2 4 "ae000000")
expect("pixel offset" 10 4 "36000000")
expect("header size" 14 4 "28000000")
expect("width" 18 4 "07000000")
expect("height (bottom-up)" 22 4 "05000000")
expect("planes" 26 2 "0100")
expect("bits per pixel" 28 2 "1800")
expect("compression" 30 4 "00000000")
expect("data size" 34 4 "78000000")
# First stored row is the bottom one: blue, then the green stripe, then background.
expect("bottom left pixel" 54 3 "ff0000")
expect("bottom green stripe" 63 3 "00ff00")
expect("bottom right background" 72 3 "d5fff1")
expect("row padding" 75 3 "000000")
# Last stored row is the top one: red.
expect("top left pixel" 150 3 "0000ff")
expect("top right background" 168 3 "d5fff1")

# A file that is no SVG must fail and leave no bitmap behind.
execute_process(COMMAND "${SVG2BMP}" "${CMAKE_CURRENT_LIST_FILE}" "${WORK}/bad.bmp" RESULT_VARIABLE rc
                ERROR_QUIET)
if(rc EQUAL 0 OR EXISTS "${WORK}/bad.bmp")
  message(FATAL_ERROR "svg2bmp accepted a file that is not SVG")
endif()
# A size out of range is refused.
execute_process(COMMAND "${SVG2BMP}" "${INPUT}" "${WORK}/big.bmp" 0 5 RESULT_VARIABLE rc ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "svg2bmp accepted a zero width")
endif()
