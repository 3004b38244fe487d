# Makes a seed corpus with the clip writer (clips, and the damaged and hostile cases met so far) and runs the
# fuzzer for a bounded number of executions.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/seeds" "${WORK}/corpus")
foreach(seed "--seconds;3" "--seconds;2;--moov-first" "--seconds;4;--drive;world;--no-fix;2" "--seconds;0")
    string(REPLACE ";" "_" name "${seed}")
    execute_process(COMMAND "${CLIP}" ${seed} "${WORK}/seeds/seed${name}.mp4" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "kestrun-clip failed for seed ${seed}")
    endif()
endforeach()
execute_process(COMMAND "${SEEDS}" "${WORK}/seeds" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "fuzz_seeds failed")
endif()
execute_process(COMMAND "${FUZZER}" -runs=${RUNS} -max_len=4096 -seed=1 -print_final_stats=1
                        "${WORK}/corpus" "${WORK}/seeds"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "fuzz_extraction failed (${result}); the crashing input is in the working folder")
endif()
