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
foreach(refused "--frobnicate" "_http._tcp" "--watch;5" "--watch" "--wait;0" "--wait;-1"
        "--wait;ten" "--wait;inf" "--wait;3601" "--count;3" "--watch;6;--count;0"
        "--watch;6;--count;1.5" "--time;3" "--services;--wait;3" "--services;--watch;6"
        "--services;http" "--services;_h ttp._tcp" "--services;_http._tcp;x" "--services;--time"
        "--domain" "--domain;bad domain" "--domain;-x" "--browse-domains;--domain;site.example")
    expect("${refused}" 2 "^$" "${one_line}")
endforeach()
# Subtypes are never asked for: refused, with a message that says so.
expect("--services;_printer._sub._http._tcp" 2 "^$" "^vindra-scan: subtypes are not browsed")
