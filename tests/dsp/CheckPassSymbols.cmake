# Fails unless each object compiled for a wider instruction set defines nothing but its own table of
# passes. Any other global or weak symbol (an inline function or template the linker may merge with a
# baseline copy) could put wide instructions in front of a CPU that lacks them.
string(REPLACE "|" ";" objects "${OBJECTS}")
foreach(object IN LISTS objects)
    execute_process(COMMAND "${NM}" --defined-only --extern-only "${object}" OUTPUT_VARIABLE listing
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "nm failed on ${object}")
    endif()
    string(REGEX MATCHALL "[^\n]+" lines "${listing}")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[0-9a-f]* *[A-Za-z] " "" symbol "${line}")
        if(NOT symbol MATCHES "^_ZN13vector_passes[0-9]+[a-z0-9]+PassesE$")
            message(FATAL_ERROR "${object} defines ${symbol}")
        endif()
    endforeach()
    if(NOT lines)
        message(FATAL_ERROR "${object} defines no table")
    endif()
endforeach()
