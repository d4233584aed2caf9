module f(input wire a, output wire f);
  assign f = 1'b0;
endmodule
