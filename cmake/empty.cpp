// Placeholder so that a platform library always has one source.
