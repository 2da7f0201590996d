# Sources of src/link, listed by name.
