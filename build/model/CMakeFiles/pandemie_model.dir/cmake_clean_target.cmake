file(REMOVE_RECURSE
  "libpandemie_model.a"
)
