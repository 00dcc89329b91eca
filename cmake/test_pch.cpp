// Builds the precompiled header that every test executable shares: GoogleTest and the standard
// headers most tests include, parsed once a build instead of once a test source.
