# The plain codecs: formats only, no widgets.
foreach(_codec_test IN ITEMS tst_fieldrules tst_configcodec tst_readoutcodec tst_statuscodec
                             tst_downloadframe tst_configuration)
  vexagrid_add_qtest(NAME ${_codec_test} SOURCES ${_codec_test}.cpp LIBS vexagrid_core)
endforeach()
