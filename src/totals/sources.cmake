# Sources of src/totals, listed by name.
