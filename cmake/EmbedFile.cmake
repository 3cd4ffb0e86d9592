# Turns a file into a C++ byte array at configure time, so the program carries
# it without a resource compiler on any platform. Declares
#   extern const unsigned char <symbol>[]; extern const std::size_t <symbol>Size;
# in a generated source added to target; changing the file reconfigures.
function(tavik_embed_file target file symbol)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Line breaks every 32 bytes keep the generated file readable by editors.
    string(REGEX REPLACE "((0x..,){32})" "\\1\n    " bytes "${bytes}")
    set(out ${CMAKE_CURRENT_BINARY_DIR}/generated/${symbol}.cpp)
    file(CONFIGURE OUTPUT ${out} CONTENT
"// Generated from ${file}; edit that file instead.
#include <cstddef>

extern const unsigned char ${symbol}[];
extern const std::size_t ${symbol}Size;

const unsigned char ${symbol}[] = {
    ${bytes}
};
const std::size_t ${symbol}Size = ${size};
" @ONLY)
    # Plain bytes: no framework header to precompile.
    set_source_files_properties(${out} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    target_sources(${target} PRIVATE ${out})
endfunction()

# The remote page as one document: folder/index.html with the contents of
# page.css and page.js put in place of the lines /*PAGE_CSS*/ and
# /*PAGE_JS*/, embedded as symbol.
function(tavik_embed_page target folder symbol)
    foreach(part index.html page.css page.js)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${folder}/${part})
    endforeach()
    file(READ ${folder}/index.html html)
    file(READ ${folder}/page.css css)
    file(READ ${folder}/page.js js)
    string(REPLACE "/*PAGE_CSS*/" "${css}" html "${html}")
    string(REPLACE "/*PAGE_JS*/" "${js}" html "${html}")
    set(page ${CMAKE_CURRENT_BINARY_DIR}/generated/${symbol}.html)
    file(WRITE ${page}.new "${html}")
    file(COPY_FILE ${page}.new ${page} ONLY_IF_DIFFERENT)
    tavik_embed_file(${target} ${page} ${symbol})
endfunction()
