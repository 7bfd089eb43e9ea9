# A sanitizer build is a separate build folder (see scripts/test.sh); the flags apply to every target.
if(KELVO_SANITIZE)
  add_compile_options(-fsanitize=${KELVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KELVO_SANITIZE})
endif()
