#include "runtime/linear_algebra.h"

#include <tbb/global_control.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/available_memory.h"
#include "runtime/error.h"

extern "C" {
void dsyrk_(const char* uplo, const char* trans, const int* n, const int* k, const double* alpha, const double* a,
            const int* lda, const double* beta, double* c, const int* ldc, std::size_t uplo_len, std::size_t trans_len);
void dsytrd_(const char* uplo, const int* n, double* a, const int* lda, double* d, double* e, double* tau, double* work,
             const int* lwork, int* info, std::size_t uplo_len);
void dormtr_(const char* side, const char* uplo, const char* trans, const int* m, const int* n, const double* a,
             const int* lda, const double* tau, double* c, const int* ldc, double* work, const int* lwork, int* info,
             std::size_t side_len, std::size_t uplo_len, std::size_t trans_len);
void dsymm_(const char* side, const char* uplo, const int* m, const int* n, const double* alpha, const double* a,
            const int* lda, const double* b, const int* ldb, const double* beta, double* c, const int* ldc,
            std::size_t side_len, std::size_t uplo_len);
void dgemm_(const char* transa, const char* transb, const int* m, const int* n, const int* k, const double* alpha,
            const double* a, const int* lda, const double* b, const int* ldb, const double* beta, double* c,
            const int* ldc, std::size_t transa_len, std::size_t transb_len);
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t uplo_len);
void dpotrs_(const char* uplo, const int* n, const int* nrhs, const double* a, const int* lda, double* b,
             const int* ldb, int* info, std::size_t uplo_len);
void dstedc_(const char* compz, const int* n, double* d, double* e, double* z, const int* ldz, double* work,
             const int* lwork, int* iwork, const int* liwork, int* info, std::size_t compz_len);
void dpotri_(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t uplo_len);
void dgesv_(const int* n, const int* nrhs, double* a, const int* lda, int* ipiv, double* b, const int* ldb, int* info);
void openblas_set_num_threads(int threads);
}

namespace velmora {
namespace {

int checked_size(Eigen::Index n) {
  if (n > INT_MAX)
    throw RuntimeError("A matrix of " + std::to_string(n) + " rows is beyond the linear algebra library.");
  return static_cast<int>(n);
}

// The memory each BLAS thread takes for its work buffer on first use (the
// library's own, mapped whole; a map that fails is retried without end, so
// the program would spin instead of failing).
constexpr double kBufferPerThread = 128.0 * 1024 * 1024;

// The BLAS threads that hold their buffer already (the buffers stay mapped
// for the life of the program).
std::atomic<std::size_t> buffers_held{0};

// As many threads as the rest of the program may use at this moment, and as
// the memory left can give a buffer each (beyond those that have one).
// Throws RuntimeError "Not enough memory ..." when `bytes` (what the call
// needs beside the buffers) leaves no thread a buffer.
void use_arena_threads(double bytes, const char* what) {
  const std::size_t allowed = tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism);
  auto threads = std::min<std::size_t>(allowed, static_cast<std::size_t>(tbb::this_task_arena::max_concurrency()));
  threads = std::max<std::size_t>(threads, 1);
  if (const std::optional<std::uint64_t> left = available_memory()) {
    const double spare = static_cast<double>(*left) - bytes;
    const std::size_t held = buffers_held.load();
    const std::size_t affordable = held + (spare > 0 ? static_cast<std::size_t>(spare / kBufferPerThread) : 0);
    if (affordable == 0 || spare < 0)
      throw RuntimeError(std::string("Not enough memory for ") + what + ": it needs about " +
                         memory_text(bytes + kBufferPerThread) + " and " + memory_text(static_cast<double>(*left)) +
                         " is available.");
    threads = std::min(threads, affordable);
  }
  openblas_set_num_threads(static_cast<int>(threads));
  std::size_t held = buffers_held.load();
  while (held < threads && !buffers_held.compare_exchange_weak(held, threads)) {
  }
}

}  // namespace

Eigen::MatrixXd lower_cross_product(const Eigen::MatrixXd& a, bool transposed) {
  const int n = checked_size(transposed ? a.cols() : a.rows());
  const int k = checked_size(transposed ? a.rows() : a.cols());
  const int lda = checked_size(std::max<Eigen::Index>(a.rows(), 1));
  Eigen::MatrixXd c(n, n);
  if (n == 0) return c;
  if (k == 0) {
    c.setZero();
    return c;
  }
  const double one = 1, zero = 0;
  use_arena_threads(0, "the cross product of the shape space");
  dsyrk_("L", transposed ? "T" : "N", &n, &k, &one, a.data(), &lda, &zero, c.data(), &n, 1, 1);
  return c;
}

Eigen::MatrixXd symmetric_product(const Eigen::MatrixXd& s, const Eigen::MatrixXd& b) {
  const int m = checked_size(s.rows()), n = checked_size(b.cols());
  Eigen::MatrixXd c(m, n);
  if (m == 0 || n == 0) return c;
  const double one = 1, zero = 0;
  use_arena_threads(0, "a symmetric product of the group tests");
  dsymm_("L", "L", &m, &n, &one, s.data(), &m, b.data(), &m, &zero, c.data(), &m, 1, 1);
  return c;
}

Eigen::MatrixXd product(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b, bool transposed) {
  const int m = checked_size(transposed ? a.cols() : a.rows()), n = checked_size(b.cols());
  const int k = checked_size(b.rows());
  if ((transposed ? a.rows() : a.cols()) != b.rows()) throw RuntimeError("product: the matrices do not fit.");
  Eigen::MatrixXd c(m, n);
  if (m == 0 || n == 0) return c;
  if (k == 0) {
    c.setZero();
    return c;
  }
  const double one = 1, zero = 0;
  const int lda = checked_size(std::max<Eigen::Index>(a.rows(), 1));
  use_arena_threads(0, "a product of the permutation tests");
  dgemm_(transposed ? "T" : "N", "N", &m, &n, &k, &one, a.data(), &lda, b.data(), &k, &zero, c.data(), &m, 1, 1);
  return c;
}

bool cholesky_solve_in_place(Eigen::MatrixXd& s, Eigen::VectorXd& b) {
  const int n = checked_size(s.rows()), one = 1;
  if (s.cols() != n || b.size() != n) throw RuntimeError("cholesky_solve_in_place: the system does not fit.");
  if (n == 0) return true;
  // Every thread of a parallel loop may hold a buffer of the library at once.
  use_arena_threads(0, "a sliding system");
  openblas_set_num_threads(1);
  int info = 0;
  dpotrf_("L", &n, s.data(), &n, &info, 1);
  if (info != 0) return false;
  dpotrs_("L", &n, &one, s.data(), &n, b.data(), &n, &info, 1);
  return info == 0;
}

bool cholesky_factor_in_place(Eigen::MatrixXd& s) {
  const int n = checked_size(s.rows());
  if (s.cols() != n) throw RuntimeError("cholesky_factor_in_place: the matrix is not square.");
  if (n == 0) return true;
  use_arena_threads(0, "a Cholesky factorisation");
  openblas_set_num_threads(1);
  int info = 0;
  dpotrf_("L", &n, s.data(), &n, &info, 1);
  return info == 0;
}

void cholesky_solve_with(const Eigen::MatrixXd& factor, Eigen::Ref<Eigen::MatrixXd> b) {
  const int n = checked_size(factor.rows()), k = checked_size(b.cols());
  if (factor.cols() != n || b.rows() != n) throw RuntimeError("cholesky_solve_with: the system does not fit.");
  if (n == 0 || k == 0) return;
  const int ldb = checked_size(b.outerStride());
  use_arena_threads(0, "a sliding system");
  openblas_set_num_threads(1);
  int info = 0;
  dpotrs_("L", &n, &k, factor.data(), &n, b.data(), &ldb, &info, 1);
  if (info != 0) throw RuntimeError("cholesky_solve_with: argument " + std::to_string(-info) + " is wrong.");
}

void symmetric_product_into(const Eigen::MatrixXd& s, const Eigen::Ref<const Eigen::MatrixXd>& b,
                            Eigen::Ref<Eigen::MatrixXd> into) {
  const int m = checked_size(s.rows()), n = checked_size(b.cols());
  if (s.cols() != m || b.rows() != m || into.rows() != m || into.cols() != n)
    throw RuntimeError("symmetric_product_into: the matrices do not fit.");
  if (m == 0 || n == 0) return;
  const double one = 1, zero = 0;
  const int ldb = checked_size(b.outerStride()), ldc = checked_size(into.outerStride());
  use_arena_threads(0, "a sliding system");
  openblas_set_num_threads(1);
  dsymm_("L", "L", &m, &n, &one, s.data(), &m, b.data(), &ldb, &zero, into.data(), &ldc, 1, 1);
}

bool cholesky_inverse_from_factor(Eigen::MatrixXd& factor) {
  const int n = checked_size(factor.rows());
  if (factor.cols() != n) throw RuntimeError("cholesky_inverse_from_factor: the matrix is not square.");
  if (n == 0) return true;
  use_arena_threads(0, "the inverse of a spline's system");
  openblas_set_num_threads(1);
  int info = 0;
  dpotri_("L", &n, factor.data(), &n, &info, 1);
  if (info != 0) return false;
  factor.triangularView<Eigen::StrictlyUpper>() = factor.transpose();
  return true;
}

bool definite_inverse_in_place(Eigen::MatrixXd& s) {
  if (s.cols() != s.rows()) throw RuntimeError("definite_inverse_in_place: the matrix is not square.");
  return cholesky_factor_in_place(s) && cholesky_inverse_from_factor(s);
}

Eigen::MatrixXd inverse_columns(Eigen::MatrixXd a, Eigen::Index columns) {
  const int n = checked_size(a.rows()), m = checked_size(columns);
  if (a.cols() != n || columns < 0 || columns > n) throw RuntimeError("inverse_columns: the matrix is not square.");
  Eigen::MatrixXd b = Eigen::MatrixXd::Identity(n, m);
  if (n == 0 || m == 0) return b;
  std::vector<int> pivots(static_cast<std::size_t>(n));
  int info = 0;
  use_arena_threads(0, "the inverse of a spline's system");
  openblas_set_num_threads(1);
  dgesv_(&n, &m, a.data(), &n, pivots.data(), b.data(), &n, &info);
  if (info != 0) throw RuntimeError("The system is singular (pivot " + std::to_string(info) + " is zero).");
  return b;
}

Tridiagonal tridiagonalize(Eigen::MatrixXd s) {
  const int n = checked_size(s.rows());
  Tridiagonal t;
  t.diagonal.resize(n);
  t.subdiagonal.resize(std::max(n - 1, 0));
  t.scales.resize(std::max(n - 1, 0));
  if (n > 0) {
    int info = 0, query = -1;
    double size = 0;
    dsytrd_("L", &n, s.data(), &n, t.diagonal.data(), t.subdiagonal.data(), t.scales.data(), &size, &query, &info, 1);
    const int lwork = std::max(1, static_cast<int>(size));
    Eigen::VectorXd work(lwork);
    use_arena_threads(0, "the tridiagonal reduction of the shape space");
    dsytrd_("L", &n, s.data(), &n, t.diagonal.data(), t.subdiagonal.data(), t.scales.data(), work.data(), &lwork, &info,
            1);
    if (info != 0) throw RuntimeError("The tridiagonal reduction failed (" + std::to_string(info) + ").");
  }
  t.reflectors = std::move(s);
  return t;
}

Eigen::MatrixXd Tridiagonal::all_vectors() const {
  const int n = checked_size(diagonal.size());
  Eigen::MatrixXd z(n, n);
  if (n == 0) return z;
  Eigen::VectorXd d = diagonal, e = subdiagonal;
  if (e.size() == 0) e.resize(1);
  int info = 0, query = -1, isize = 0;
  double size = 0;
  dstedc_("I", &n, d.data(), e.data(), z.data(), &n, &size, &query, &isize, &query, &info, 1);
  const int lwork = std::max(1, static_cast<int>(size)), liwork = std::max(1, isize);
  Eigen::VectorXd work(lwork);
  std::vector<int> iwork(static_cast<std::size_t>(liwork));
  use_arena_threads(8.0 * (static_cast<double>(n) * n + lwork), "the eigenvectors of the shape space");
  dstedc_("I", &n, d.data(), e.data(), z.data(), &n, work.data(), &lwork, iwork.data(), &liwork, &info, 1);
  if (info != 0) throw RuntimeError("The eigenvectors did not converge (" + std::to_string(info) + ").");
  return z;
}

Eigen::MatrixXd Tridiagonal::apply_q(Eigen::MatrixXd z) const {
  const int m = checked_size(reflectors.rows()), n = checked_size(z.cols());
  if (z.rows() != m) throw RuntimeError("apply_q: the vectors have the wrong length.");
  if (m == 0 || n == 0) return z;
  int info = 0, query = -1;
  double size = 0;
  dormtr_("L", "L", "N", &m, &n, reflectors.data(), &m, scales.data(), z.data(), &m, &size, &query, &info, 1, 1, 1);
  const int lwork = std::max(1, static_cast<int>(size));
  Eigen::VectorXd work(lwork);
  use_arena_threads(0, "the eigenvectors of the shape space");
  dormtr_("L", "L", "N", &m, &n, reflectors.data(), &m, scales.data(), z.data(), &m, work.data(), &lwork, &info, 1, 1,
          1);
  if (info != 0) throw RuntimeError("Applying the tridiagonal reduction failed (" + std::to_string(info) + ").");
  return z;
}

}  // namespace velmora
