# Copies the files kresbon looks for beside its executable: the demo script,
# the picture it names and the help pages. Run at build time with
# -DSOURCE=<resources folder> -DDESTINATION=<folder of the executable>.

foreach(name demo.krs demo-logo.gif)
  if(EXISTS ${SOURCE}/${name})
    file(COPY ${SOURCE}/${name} DESTINATION ${DESTINATION})
  endif()
endforeach()
if(IS_DIRECTORY ${SOURCE}/help)
  file(COPY ${SOURCE}/help DESTINATION ${DESTINATION})
endif()
