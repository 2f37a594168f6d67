# The fuzz targets built into the regular build without libFuzzer (their
# sources with replay_main.cpp), under the address and undefined-behaviour
# checks, and one test per kept input in fuzz/regressions/<target>/ that runs
# that file through the target once: a crash a fuzzer once found stays fixed
# with any compiler. Included from the top CMakeLists.txt with the tests.
#   replay.datagram.<file>   the network layer's datagram handling
#   replay.project.<file>    the project-file codec

set(fuzz_dir ${PROJECT_SOURCE_DIR}/fuzz)
file(GLOB replay_protocol_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/protocol/*.cpp)
add_executable(datagram_replay ${fuzz_dir}/datagram_fuzzer.cpp ${fuzz_dir}/replay_main.cpp
               ${replay_protocol_sources})
add_executable(project_replay ${fuzz_dir}/project_fuzzer.cpp ${fuzz_dir}/replay_main.cpp
               ${PROJECT_SOURCE_DIR}/src/app/project_codec.cpp
               ${PROJECT_SOURCE_DIR}/src/platform/safe_file_write.cpp
               ${PROJECT_SOURCE_DIR}/src/platform/regular_file.cpp
               ${PROJECT_SOURCE_DIR}/src/platform/path_text.cpp)
target_link_libraries(project_replay PRIVATE Qt6::Core)

foreach(target datagram project)
  set(replay ${target}_replay)
  # The sources are compiled again with the checks rather than linked from
  # the layer libraries, so a read past a buffer in them is caught too.
  set_target_properties(${replay} PROPERTIES AUTOMOC OFF)
  target_include_directories(${replay} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${replay} PRIVATE -g -O1 -fno-omit-frame-pointer
                         -fsanitize=address,undefined -fno-sanitize-recover=undefined)
  target_link_options(${replay} PRIVATE -fsanitize=address,undefined)
  target_link_libraries(${replay} PRIVATE corvane_warnings)

  file(GLOB kept_inputs CONFIGURE_DEPENDS ${fuzz_dir}/regressions/${target}/*)
  foreach(input ${kept_inputs})
    get_filename_component(name ${input} NAME)
    add_test(NAME replay.${target}.${name} COMMAND ${replay} 0 ${input})
    set_tests_properties(replay.${target}.${name} PROPERTIES
      TIMEOUT 60
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endforeach()
endforeach()
