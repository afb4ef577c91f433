# Compiles through ccache when it is installed, so that the test builds
# and other clones reuse what was compiled before. OVIK_CCACHE=OFF turns
# it off.
#
# What keeps a second clone's compilations cache hits: ccache rewrites the
# paths below the clone into paths relative to the build folder (its
# base_dir, set here for every build, by hand or by the scripts), and the
# debug information names the clone as "." instead of its absolute path,
# so that ccache leaves the build folder's path out of the key of builds
# with -g. Debuggers then find the sources from the clone's root.
# ccache also keys on the locale variables (they choose the language of
# the compiler's messages): the compiler runs without them, in the C
# locale, so that a build in one locale reuses another's.
option(OVIK_CCACHE "Compile through ccache when it is installed" ON)
if(OVIK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(OVIK_CCACHE_PROGRAM ccache)
  if(OVIK_CCACHE_PROGRAM)
    set(OVIK_CCACHE_LAUNCHER ${CMAKE_COMMAND} -E env
        --unset=LANG --unset=LC_ALL --unset=LC_CTYPE --unset=LC_MESSAGES
        CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} ${OVIK_CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${OVIK_CCACHE_LAUNCHER})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${OVIK_CCACHE_LAUNCHER})
    if(NOT MSVC)
      add_compile_options(
        $<$<COMPILE_LANGUAGE:C,CXX>:-fdebug-prefix-map=${PROJECT_SOURCE_DIR}=.>)
    endif()
  endif()
endif()
