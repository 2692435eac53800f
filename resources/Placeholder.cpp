// Keeps the target non-empty until the resources arrive.
