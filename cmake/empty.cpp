// Placeholder translation unit for a layer without sources of its own yet.
