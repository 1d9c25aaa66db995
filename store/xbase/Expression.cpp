#include "store/xbase/Expression.h"

#include <cstring>
#include <vector>

#include "store/xbase/ExprLexer.h"
#include "store/xbase/ExprParser.h"
#include "store/xbase/ExprProgram.h"

namespace xbase {

struct Expression::Impl {
  std::string text;
  ExprProgram program;
  ValueType type = ValueType::kLogical;
  uint32_t max_length = 0;
};

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Status Expression::Compile(std::string_view text, std::span<const FieldDesc> fields,
                           Expression* out, int code_page) {
  std::vector<Token> tokens;
  XB_RETURN_IF_ERROR(ExprLexer::Tokenize(text, &tokens));
  auto impl = std::make_unique<Impl>();
  impl->program.SetCodePage(code_page);
  uint32_t root = 0;
  ExprParser parser(tokens, fields, &impl->program);
  XB_RETURN_IF_ERROR(parser.Parse(&root));
  impl->program.Finish(root);
  impl->text.assign(text);
  const ExprNode& node = impl->program.node(root);
  impl->type = node.type;
  switch (node.type) {
    case ValueType::kCharacter:
    case ValueType::kDate: impl->max_length = node.max_len; break;
    case ValueType::kLogical: impl->max_length = 1; break;
    case ValueType::kNumeric: impl->max_length = 0; break;
  }
  out->impl_ = std::move(impl);
  return Status::Ok();
}

ValueType Expression::type() const { return impl_ ? impl_->type : ValueType::kLogical; }

uint32_t Expression::max_length() const { return impl_ ? impl_->max_length : 0; }

const std::string& Expression::text() const {
  static const std::string kEmpty;
  return impl_ ? impl_->text : kEmpty;
}

bool Expression::EvalLogical(const EvalContext& ctx) const {
  if (!impl_ || ctx.record == nullptr || impl_->type != ValueType::kLogical) return false;
  return impl_->program.EvalLogical(ctx);
}

double Expression::EvalNumeric(const EvalContext& ctx) const {
  if (!impl_ || ctx.record == nullptr || impl_->type != ValueType::kNumeric) return 0;
  return impl_->program.EvalNumeric(ctx);
}

uint32_t Expression::EvalCharacter(const EvalContext& ctx, uint8_t* out) const {
  if (!impl_ || ctx.record == nullptr) return 0;
  switch (impl_->type) {
    case ValueType::kCharacter:
    case ValueType::kDate: {
      const ExprStr s = impl_->program.EvalString(ctx);
      if (s.n > 0) std::memcpy(out, s.p, s.n);
      return s.n;
    }
    case ValueType::kLogical:
      out[0] = impl_->program.EvalLogical(ctx) ? 'T' : 'F';
      return 1;
    case ValueType::kNumeric: return 0;
  }
  return 0;
}

}  // namespace xbase
