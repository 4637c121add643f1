// Database: a pooled connection taken lazily and given up when it breaks.
#include "db/database.h"

#include <thread>
#include <utility>
#include <vector>

#include "db/pool.h"

namespace kt::suite {

Database::Database(std::function<std::string()> locate) : locate_(std::move(locate)) {}

Database::Database(std::string target) : locate_([target = std::move(target)] { return target; }) {}

Database::Database(std::function<std::string()> locate, std::function<void(const std::string&)> report)
    : locate_(std::move(locate)), report_(std::move(report)) {}

Database::~Database() = default;

bool Database::Failed(std::string& error) {
  if (report_) report_(error);
  return false;
}

bool Database::Connect(std::string& error) {
  // A connection that can no longer be used (the server ended the session,
  // the file was replaced) is given up here, so this statement runs on a new
  // one.
  if (connection_ != nullptr && !connection_->Usable()) connection_.reset();
  // A connection belongs to the thread whose pool it came from, whose other
  // components may be using it right now: a component called from another
  // thread takes that thread's own.
  if (connection_ != nullptr && connection_thread_ != std::this_thread::get_id()) connection_.reset();
  if (connection_ != nullptr) return true;
  const std::string target = locate_();
  name_ = DisplayName(ParseTarget(target));
  connection_ = suite::Connect(target, error);
  connection_thread_ = std::this_thread::get_id();
  return connection_ != nullptr;
}

bool Database::Execute(std::string_view statement, RowSet& out, std::string& error) {
  out = RowSet{};
  if (!Connect(error)) return Failed(error);
  // Ids spliced into the text go back in as parameters, so that the shape
  // is translated and prepared once however many ids it is called with.
  const LiftedStatement lifted = LiftLiterals(statement, connection_->dialect());
  std::vector<Value> params;
  params.reserve(lifted.values.size());
  for (int64_t v : lifted.values) params.push_back(Value::Integer(v));
  const std::string& sql = connection_->Translated(lifted.shape);
  if (connection_->Run(sql, params, out, error)) return true;
  error += " (database " + name_ + "; statement: " + Unlift(sql, lifted.values, connection_->dialect()) + ")";
  return Failed(error);
}

bool Database::Query(std::string_view sql, std::span<const Value> params, RowSet& out, std::string& error) {
  out = RowSet{};
  if (!Connect(error)) return Failed(error);
  if (connection_->Run(std::string(sql), params, out, error)) return true;
  error += " (database " + name_ + "; statement: " + std::string(sql) + ")";
  return Failed(error);
}

}  // namespace kt::suite
