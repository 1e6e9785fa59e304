# The build's translation template holds the window's fixed texts, each once, as their
# English sources; a menu text is found without its accelerator mark. Run with
# -DTEMPLATE=<path of qorvmon.ts>.
file(READ "${TEMPLATE}" template)
set(expected
  "Read Failed" "Turn Monitor On" "Turn Monitor Off" "Can not be empty !" "Can not close down Windows"
  "   OK for reset at once." "System Monitoring" "The settings could not be saved: %1" "Delete Address Record"
  "QORVANE Motherboards" "Shut Down" "Temperature" "Terms of Use" "Fan Control"
  "No picture of board %1: %2 is missing or unreadable.")
foreach(text IN LISTS expected)
  string(FIND "${template}" "${text}</source>" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the translation template lacks \"${text}\"")
  endif()
  string(REPLACE "${text}</source>" "" rest "${template}")
  string(FIND "${rest}" "${text}</source>" again)
  if(NOT again EQUAL -1)
    message(FATAL_ERROR "the translation template holds \"${text}\" twice")
  endif()
endforeach()
