# The example import files and the options each is read with:
# "FILE|OPTIONS[|CONFIGURATION]" (the configuration defaults to the sample
# store, TolvanDrvConfig.txt). Each is checked with `tolvandrv --check`,
# which reads it exactly as a run would and exits 0 only without findings.
set(TOLVAN_EXAMPLE_FILES
  "plu.csv|-u"
  "plu-tab.txt|-u -t"
  "plu-fontpairs.csv|-u -l"
  "plu-seasia.txt|-u -sseasia"
  "plu-wmsmart.txt|-u -swmsmart"
  "plu-delete.csv|-d"
  "exmsg.csv|-u -fexmsg"
  "exmsg-seasia.txt|-u -sseasia -fexmsg"
  "exmsg-wmsmart.txt|-u -swmsmart -fexmsg"
  "exmsg-delete.csv|-d -fexmsg"
  "exmsg2.csv|-u -fexmsg2"
  "exmsg2-seasia.txt|-u -sseasia -fexmsg2"
  "exmsg2-delete.csv|-d -fexmsg2"
  "exmsg3.csv|-u -fexmsg3"
  "exmsg3-seasia.txt|-u -sseasia -fexmsg3"
  "exmsg3-delete.csv|-d -fexmsg3"
  "coupon.csv|-u -fcoupon"
  "coupon-seasia.txt|-u -sseasia -fcoupon"
  "coupon-delete.csv|-d -fcoupon"
  "pricecng.csv|-u -fpricecng"
  "pricecng-seasia.txt|-u -sseasia -fpricecng"
  "mkdpricecng.csv|-u -fmkdpricecng"
  "store.csv|-u -fstore"
  "store-delete.csv|-d -fstore"
  "keyboard.csv|-u -fkeyboard"
  "keyboard-delete.csv|-d -fkeyboard|TolvanDrvConfig-message.txt"
  "nutrition.csv|-u -fnutrition"
  "nutrition-delete.csv|-d -fnutrition"
)

set(examples ${PROJECT_SOURCE_DIR}/examples)
foreach(entry IN LISTS TOLVAN_EXAMPLE_FILES)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 file)
  list(GET fields 1 options)
  separate_arguments(options UNIX_COMMAND "${options}")
  set(config TolvanDrvConfig.txt)
  list(LENGTH fields count)
  if(count GREATER 2)
    list(GET fields 2 config)
  endif()
  add_test(NAME Examples.${file}
    COMMAND tolvandrv --check ${options} ${examples}/${file} ${examples}/${config}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endforeach()

# The simulated store of every model takes the PLU example (a shell
# script; scripts/test-windows.sh runs the recipes under Wine instead).
if(NOT WIN32)
add_test(NAME Examples.SimulatedStoreOfEveryModelTakesThePluFile
  COMMAND ${PROJECT_SOURCE_DIR}/tools/check_sim_models.sh $<TARGET_FILE:tolvandrv> $<TARGET_FILE:tolvansim> ${examples})
endif()
