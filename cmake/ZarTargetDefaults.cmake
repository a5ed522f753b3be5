# Warnings (made errors by ZAR_WERROR) and, when asked for, sanitizers for
# every target of the project. Applied per target so that nothing touches the
# global compiler flags.
function(zar_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # g++ 12 warns wrongly about std::string concatenation at -O2 (fixed in 13).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(ZAR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(EMSCRIPTEN)
    target_compile_options(${target} PRIVATE ${ZAR_WASM_FLAGS})
    target_link_options(${target} PRIVATE ${ZAR_WASM_FLAGS})
  endif()
  if(ZAR_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                                             -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  elseif(ZAR_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()
