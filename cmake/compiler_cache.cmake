# Compiles through ccache when it is installed, so that the test builds
# and fresh clones reuse what was compiled before. OVIK_CCACHE=OFF turns
# it off.
option(OVIK_CCACHE "Compile through ccache when it is installed" ON)
if(OVIK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(OVIK_CCACHE_PROGRAM ccache)
  if(OVIK_CCACHE_PROGRAM)
    set(CMAKE_C_COMPILER_LAUNCHER ${OVIK_CCACHE_PROGRAM})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${OVIK_CCACHE_PROGRAM})
  endif()
endif()
