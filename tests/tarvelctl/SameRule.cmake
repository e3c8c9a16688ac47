# Fails when the udev rule kept in packaging/linux differs from the one made
# from the default product's ids at build time.
# Run as: cmake -DMADE=<built rule> -DKEPT=<packaging/linux/70-tarvel.rules> -P SameRule.cmake
file(READ ${MADE} made)
file(READ ${KEPT} kept)
if(NOT made STREQUAL kept)
  message(FATAL_ERROR "${KEPT} is not what the product's ids give (${MADE}); make it again:\n"
                      "  tarvelctl --exe-dir product udev-rule packaging/linux/70-tarvel.rules")
endif()
