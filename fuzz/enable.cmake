# Included after project() by scripts/fuzz (CMAKE_PROJECT_INCLUDE) while the top-level list
# does not name fuzz/ itself; targets it links are declared later and resolved at generation.
if(NOT SEO_FUZZ_ADDED)
  set(SEO_FUZZ_ADDED ON)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR} ${CMAKE_BINARY_DIR}/fuzz)
endif()
