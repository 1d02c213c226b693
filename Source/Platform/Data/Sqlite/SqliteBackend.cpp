// Placeholder until the embedded engine lands: no "sqlite" scheme is registered yet.
void RegisterSqliteBackend() {}
