module f(input wire x0, input wire x1, input wire x2, output wire f);
  assign f = x1 | x0;
endmodule
