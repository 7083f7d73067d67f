# velora_embed(OUT_VAR FILE NAME): a generated C++ source that defines the constant
# `std::string_view velora::NAME` holding the bytes of FILE (relative to the source tree).
# Add ${OUT_VAR} to a target's sources and declare `extern const std::string_view NAME;` in a header.
function(velora_embed out_var file name)
  set(in ${CMAKE_SOURCE_DIR}/${file})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded_${name}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${in} -DOUT=${out} -DNAME=${name} -DNAME_OF_SOURCE=${file}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
    DEPENDS ${in} ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
    COMMENT "Embedding ${file}")
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()
