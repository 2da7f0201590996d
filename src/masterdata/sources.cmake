# Sources of src/masterdata, listed by name.
