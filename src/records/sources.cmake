# Sources of src/records, listed by name.
