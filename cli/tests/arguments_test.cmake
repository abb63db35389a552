# vindra-scan's answers to --help, --version and bad arguments (exit status, one-line message on
# stderr, nothing on stdout). Run with -DSCAN=path -DVERSION=x.y.z.

function(expect arguments status stdout_regex stderr_regex)
    execute_process(COMMAND ${SCAN} ${arguments} RESULT_VARIABLE result OUTPUT_VARIABLE out
                    ERROR_VARIABLE err TIMEOUT 20)
    if(NOT result STREQUAL status)
        message(FATAL_ERROR "vindra-scan ${arguments}: exit ${result}, expected ${status}\n${err}")
    endif()
    if(NOT out MATCHES "${stdout_regex}")
        message(FATAL_ERROR "vindra-scan ${arguments}: stdout \"${out}\" !~ ${stdout_regex}")
    endif()
    if(NOT err MATCHES "${stderr_regex}")
        message(FATAL_ERROR "vindra-scan ${arguments}: stderr \"${err}\" !~ ${stderr_regex}")
    endif()
endfunction()

set(one_line "^vindra-scan: [^\n]+\n$")
expect("--help" 0 "^Usage: vindra-scan .*--services.*--watch.*Exit status" "^$")
expect("--version" 0 "^vindra-scan ${VERSION}\n$" "^$")
expect("--frobnicate" 2 "^$" "${one_line}")
expect("--watch;5" 2 "^$" "${one_line}")
expect("--wait;soon" 2 "^$" "${one_line}")
expect("--count;3" 2 "^$" "${one_line}")
expect("--services;http" 2 "^$" "${one_line}")
expect("--services;--time" 2 "^$" "${one_line}")
expect("extra" 2 "^$" "${one_line}")
