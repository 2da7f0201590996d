# Sources of src/text, listed by name.
