# gw_sanitize(target): compile and link a target with AddressSanitizer and
# UndefinedBehaviorSanitizer, stopping at the first report.
function(gw_sanitize target)
  target_compile_options(${target} PRIVATE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(${target} PRIVATE -fsanitize=address,undefined)
endfunction()
