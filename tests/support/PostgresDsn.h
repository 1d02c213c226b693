#pragma once

#include <QString>

#include <gtest/gtest.h>

// The throwaway server named by QXV_PG_DSN. Without it the tests skip on a developer's
// machine and fail in CI, where the server must have started.
inline QString PgDsnOrSkip() { return qEnvironmentVariable("QXV_PG_DSN"); }

#define QXV_REQUIRE_PG(dsn)                                                                   \
    do {                                                                                      \
        if ((dsn).isEmpty()) {                                                                \
            if (!qEnvironmentVariableIsEmpty("CI"))                                           \
                FAIL() << "QXV_PG_DSN is not set in CI: the PostgreSQL server did not start"; \
            GTEST_SKIP() << "QXV_PG_DSN is not set";                                          \
        }                                                                                     \
    } while (0)
