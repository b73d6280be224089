// Keeps the benchmark program buildable before any component adds its own.
