# Sources of src/masterdata, listed by name.
list(APPEND TOLVAN_SOURCES
  src/masterdata/store_text.cc
  src/masterdata/store_text_encoding.cc
  src/masterdata/store_text_received.cc
  src/masterdata/nutrition_panel.cc
  src/masterdata/nutrition_panel_encoding.cc
  src/masterdata/nutrition_panel_received.cc
  src/masterdata/block_fields.cc
  src/masterdata/price_change.cc
  src/masterdata/keyboard_layout.cc
  src/masterdata/extra_message.cc
  src/masterdata/extra_message_encoding.cc
  src/masterdata/extra_message_received.cc
)
