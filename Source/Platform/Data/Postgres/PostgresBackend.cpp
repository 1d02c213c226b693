// Placeholder until the server engine lands: no "postgresql" scheme is registered yet.
void RegisterPostgresBackend() {}
