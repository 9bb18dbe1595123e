// caseloom-make-sample OUT: writes the sample database (a Jet 4 .mdb with the
// table Customers) to OUT.

#include <iostream>

#include "ado/error.h"
#include "engine/new_database.h"
#include "sample_customers.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: caseloom-make-sample OUT\n";
    return 2;
  }
  try {
    engine::createDatabase(argv[1], sample::customersDatabase());
  } catch (const engine::Error& error) {
    std::cerr << "caseloom-make-sample: " << error.description() << "\n";
    return 1;
  }
  return 0;
}
