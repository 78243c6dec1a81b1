# Copies the files kresbon looks for beside its executable: the demo script,
# the picture it names, the examples and the help pages. Run at build time with
# -DSOURCE=<resources folder> -DDESTINATION=<folder of the executable>.

foreach(name demo.krs demo-logo.gif)
  if(EXISTS ${SOURCE}/${name})
    file(COPY ${SOURCE}/${name} DESTINATION ${DESTINATION})
  endif()
endforeach()
foreach(folder help examples)
  if(IS_DIRECTORY ${SOURCE}/${folder})
    file(COPY ${SOURCE}/${folder} DESTINATION ${DESTINATION})
  endif()
endforeach()
