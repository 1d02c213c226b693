#pragma once

// The server's refusals of a change built on an older reading of a row, beside
// OraCode::ChangedByOther (another user changed the row since).
namespace OraCode {
// Another user deleted the row since it was read.
constexpr int DeletedByOther = 20002;
}  // namespace OraCode
